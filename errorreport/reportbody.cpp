#include "reportbody.h"

QByteArray reportBoundary()
{
    return QByteArrayLiteral("---------------------------193971182219750");
}

QByteArray reportBody(const QByteArray &product, const QByteArray &version,
                      const QByteArray &dump, const QByteArray &systemInformation)
{
    const QByteArray crlf = QByteArrayLiteral("\r\n");
    const QByteArray delimiter = "--" + reportBoundary() + crlf;

    QByteArray body;
    body.reserve(512 + product.size() + version.size() + dump.size() + systemInformation.size());
    body += delimiter;
    body += "Content-Disposition: form-data; name=\"product\"" + crlf + crlf;
    body += product;
    body += crlf;
    body += delimiter;
    body += "Content-Disposition: form-data; name=\"version\"" + crlf + crlf;
    body += version;
    body += crlf;
    body += delimiter;
    body += "Content-Disposition: form-data; name=\"dumpData\"; filename=\"dump.dmp\"" + crlf;
    // No Content-Type line: the server takes the part as it comes.
    body += "Content-Transfer-Encoding: binary" + crlf + crlf;
    body += dump;
    // The server receives the machine's description as the tail of the dump.
    body += systemInformation;
    body += crlf;
    body += "--" + reportBoundary() + "--";
    return body;
}
