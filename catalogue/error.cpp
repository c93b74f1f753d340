#include "error.h"

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

} // namespace catalogue
