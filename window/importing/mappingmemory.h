#pragma once

#include <string>
#include <utility>
#include <vector>

// The mapping of headings to fields last chosen in Importa… for a file with the
// same headings, kept in the program's settings: the next export of the same
// source (a spreadsheet, a library's list) opens mapped already.
class MappingMemory {
public:
    using Mapping = std::vector<std::pair<std::string, std::string>>; ///< column, heading

    // The mapping kept for these headings, each pair still naming one of
    // `columns` and one of the headings; empty when none was kept.
    static Mapping recall(const std::vector<std::string>& headings, const std::vector<std::string>& columns);
    // Keeps `mapping` for these headings; an empty mapping forgets the one kept.
    static void keep(const std::vector<std::string>& headings, const Mapping& mapping);
};
