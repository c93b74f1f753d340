// The messages of an import that cannot start, in Italian; when one is thrown,
// nothing has been written.
#include "importfailure.h"

namespace bookimport {

void refuseSource(const std::string& message)
{
    throw catalogue::Error(catalogue::ErrorNumber::InputError, message);
}

HeadingNamesNoField::HeadingNamesNoField(const std::string& message)
    : catalogue::Error(catalogue::ErrorNumber::InputError, message)
{
}

void readingStopped()
{
    throw catalogue::Error(catalogue::ErrorNumber::Generic, "Lettura annullata: non è stato scritto nulla.");
}

std::string quoted(const std::string& name)
{
    return "«" + name + "»";
}

} // namespace bookimport
