#pragma once

#include <stdexcept>
#include <string>

namespace catalogue {

// The numbers follow the old Jet engine's own error numbers where one exists, so a
// user who knew the old program recognises them.
enum class ErrorNumber : int {
    Generic = 3000,
    FileNotFound = 3024,
    FileReplaced = 3045,    ///< the path names another file than the one read
    NotADatabase = 3343,
    AccessFile = 3344,      ///< an old Access/Jet catalogue, to be converted first
    Corrupt = 3049,
    Locked = 3050,
    ReadOnlyFile = 3027,
    TableMissing = 3078,
    ColumnMissing = 3061,
    StatementRefused = 3075,
    DuplicateKey = 3022,
    ValueRefused = 3317,
    RowChanged = 3197,
    RowGone = 3167,
    TransactionEnded = 3034, ///< a trigger of the file rolled back the whole change under way
    NotUpdatable = 3251,
    UnknownProvider = 3706,
    NotOpen = 3704,
    DiskFull = 3035,
    FileNotWritten = 3043,  ///< an export or a printout the system refused to write
    InputError = 3421,      ///< text that cannot be placed in a statement
    OutOfMemory = 7,
};

// The one error type of the program: a number and an Italian description for the
// user, and, when the engine raised it, the engine's own result code and text.
class Error : public std::runtime_error {
public:
    Error(ErrorNumber number, std::string description, int engineCode = 0,
          std::string engineMessage = {});

    ErrorNumber number() const noexcept { return m_number; }
    int code() const noexcept { return static_cast<int>(m_number); }
    const std::string& description() const noexcept { return m_description; }
    int engineCode() const noexcept { return m_engineCode; }
    const std::string& engineMessage() const noexcept { return m_engineMessage; }

private:
    ErrorNumber m_number;
    std::string m_description;
    int m_engineCode;
    std::string m_engineMessage;
};

// Any other failure, in the same form, so that the top level shows it like the rest.
Error unexpectedError(const std::exception& failure);

} // namespace catalogue
