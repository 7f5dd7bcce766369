#ifndef PAYVANE_REPORTBODY_H
#define PAYVANE_REPORTBODY_H

#include <QByteArray>

// The boundary between the parts of an error report:
// "---------------------------193971182219750" (27 hyphens, 15 digits).
[[nodiscard]] QByteArray reportBoundary();

// The multipart form of one error report: the fields "product" and "version",
// then the file "dump.dmp" holding the dump's bytes with the system
// information text appended. Parts are separated by CRLF; the body ends with
// the closing boundary and no line end after it.
[[nodiscard]] QByteArray reportBody(const QByteArray &product, const QByteArray &version,
                                    const QByteArray &dump, const QByteArray &systemInformation);

#endif // PAYVANE_REPORTBODY_H
