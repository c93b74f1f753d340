#pragma once

class QObject;
class ToolHost;

// The collector's tools of "Strumenti", in their menu order: Campi…, Scheda del
// libro, Importa…, Aggiungi da ISBN…, the loans, Riepilogo and Trova doppioni. Each lives as a child of
// `owner` and reaches the window only through `host`.
void addCollectorTools(ToolHost& host, QObject* owner);
