#pragma once

// Each adds its benchmarks in the order they run. Within a group, ours runs next
// to its references, on the same file in the same process.
namespace bench {

void registerShowAll();
void registerCommands();
void registerFirstPaint();
void registerWrites();
void registerExports();
void registerFolding();
void registerView();
void registerBackups();
void registerHistory();
void registerFields();
void registerCard();
void registerLibraryTools();
void registerHostileImports();
void registerIsbnScan();

} // namespace bench
