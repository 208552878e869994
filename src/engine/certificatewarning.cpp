#include "engine/certificatewarning.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMetaEnum>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CertificateWarning", text);
}

QString dateText(const QDateTime &time)
{
    return QLocale().toString(time.toLocalTime().date(), QLocale::LongFormat);
}

QString dateProblemText(const CertificateProblem &problem)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (problem.notAfter.isValid() && problem.notAfter < now)
        return tr("its certificate expired on %1").arg(dateText(problem.notAfter));
    if (problem.notBefore.isValid() && problem.notBefore > now)
        return tr("its certificate is not valid until %1").arg(dateText(problem.notBefore));
    return tr("its certificate is not valid at this time, or this computer's clock is wrong");
}

QString nameProblemText(const CertificateProblem &problem)
{
    if (problem.names.isEmpty())
        return tr("its certificate was issued for another name");
    return tr("its certificate was issued for %1, not for %2")
        .arg(QLocale().createSeparatedList(problem.names), problem.host);
}

} // namespace

QString certificateProblemText(const CertificateProblem &problem)
{
    using E = QWebEngineCertificateError;
    switch (problem.type) {
    case E::CertificateAuthorityInvalid:
        return tr("its certificate was not issued by an authority this computer trusts (the site "
                  "may have made it itself)");
    case E::CertificateDateInvalid:
        return dateProblemText(problem);
    case E::CertificateCommonNameInvalid:
        return nameProblemText(problem);
    case E::CertificateRevoked:
        return tr("its certificate has been revoked by the authority that issued it");
    case E::CertificateWeakSignatureAlgorithm:
    case E::CertificateWeakKey:
        return tr("its certificate is protected by cryptography too weak to be trusted");
    case E::CertificateNoRevocationMechanism:
    case E::CertificateUnableToCheckRevocation:
        return tr("whether its certificate has been revoked could not be checked");
    case E::CertificateNameConstraintViolation:
        return tr("its certificate comes from an authority that may not issue one for this name");
    case E::CertificateValidityTooLong:
        return tr("its certificate is valid for too long to be trusted");
    case E::CertificateTransparencyRequired:
        return tr("its certificate was not made public as certificates must be");
    case E::CertificateSymantecLegacy:
        return tr("its certificate comes from an authority that is no longer trusted");
    case E::CertificateKnownInterceptionBlocked:
        return tr("the connection is watched by software known to intercept connections");
    case E::SslObsoleteVersion:
        return tr("the site uses an old version of the security protocol that is not safe");
    case E::SslPinnedKeyNotInCertificateChain:
        return tr("its certificate does not match the keys this site is known to use");
    case E::CertificateNonUniqueName:
        return tr("its certificate was issued for a name that is not unique on the internet");
    case E::CertificateContainsErrors:
    case E::CertificateInvalid:
        break;
    }
    return tr("its certificate is damaged or not valid");
}

QString certificateWarningHtml(const CertificateProblem &problem, const QUrl &proceedUrl)
{
    const QString host = problem.host.toHtmlEscaped();
    const char *code
        = QMetaEnum::fromType<QWebEngineCertificateError::Type>().valueToKey(problem.type);
    QString html = QStringLiteral(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title><style>"
        "body{font-family:sans-serif;max-width:40em;margin:3em auto;padding:0 1em;"
        "line-height:1.4}small{color:#555}</style></head><body><h1>%2</h1><p>%3</p><p>%4</p>"
        "<p><small>%5</small></p>")
                       .arg(tr("Security warning"), tr("This site could not be confirmed"),
                           tr("Wavecrest could not confirm that this site is really <b>%1</b>: %2.")
                               .arg(host, certificateProblemText(problem).toHtmlEscaped()),
                           tr("Someone may be pretending to be %1 to read or change what you "
                              "send it, such as passwords, messages or card numbers. It is "
                              "safest to go back.")
                               .arg(host),
                           (problem.description + QStringLiteral(" (%1)").arg(QLatin1String(code)))
                               .toHtmlEscaped());
    if (proceedUrl.isEmpty()) {
        html += QStringLiteral("<p>%1</p>")
                    .arg(tr("This problem cannot be passed over: the site cannot be visited "
                            "until it is mended."));
    } else {
        html += QStringLiteral("<p><a id=\"proceed\" href=\"%1\">%2</a></p>")
                    .arg(QString::fromLatin1(proceedUrl.toEncoded()).toHtmlEscaped(),
                        tr("Proceed to %1 (unsafe)").arg(host));
    }
    return html + QStringLiteral("</body></html>");
}
