// The program's one error type: a number the old engine's users know, an Italian
// description, and the engine's own code and text when the engine raised it.
// Errors are values; nothing here shows them (the window does, once, where it
// dispatches a command).
#include "error.h"

#include <new>
#include <utility>

namespace catalogue {

Error::Error(ErrorNumber number, std::string description, int engineCode,
             std::string engineMessage)
    : std::runtime_error(description),
      m_number(number),
      m_description(std::move(description)),
      m_engineCode(engineCode),
      m_engineMessage(std::move(engineMessage))
{
}

Error unexpectedError(const std::exception& failure)
{
    if (dynamic_cast<const std::bad_alloc*>(&failure))
        return Error(ErrorNumber::OutOfMemory, "Memoria insufficiente per completare l'operazione.");
    return Error(ErrorNumber::Generic, std::string("Errore imprevisto: ") + failure.what());
}

} // namespace catalogue
