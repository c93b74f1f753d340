// Text placed inside a statement: a value between single quotes, a name between
// double quotes, each with its own quote doubled, so no text can end the quoted
// part early and become statement. Used only where a value cannot be bound.
#include "sqltext.h"

#include "error.h"

namespace catalogue {

std::string quotedTextBody(std::string_view text)
{
    std::string body;
    body.reserve(text.size() + 2);
    for (char c : text) {
        if (c == '\0') {
            throw Error(ErrorNumber::InputError,
                        "Il testo cercato contiene un carattere nullo, che non si può cercare.");
        }
        body += c;
        if (c == '\'')
            body += '\'';
    }
    return body;
}

std::string quotedIdentifier(std::string_view name)
{
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

} // namespace catalogue
