#pragma once

#include <QByteArray>
#include <QString>

namespace lookup {

// What became of one request to a service.
struct HttpResult {
    int status = 0;   ///< the HTTP status; 0 when no answer came
    QByteArray body;
    QString problem;  ///< the Italian cause when the request failed; empty on success

    bool ok() const { return problem.isEmpty() && status >= 200 && status < 300; }
    bool notFound() const { return status == 404 || status == 410; }
};

} // namespace lookup
