#pragma once

#include <QString>
#include <QStringList>

// Column names as the engine tells them apart: letter case is ignored for the 26
// ASCII letters only, so "CITTÀ" and "città" are two columns of the file, and
// two fields everywhere the window shows or keeps one.
bool sameColumnName(const QString& a, const QString& b);
bool containsColumnName(const QStringList& names, const QString& name);
// The name under which a column's settings are kept: its ASCII letters in small,
// every other character as it is.
QString columnNameKey(const QString& name);
