#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWebEngineCertificateError>

// What is wrong with a site's certificate, as the warning page shown in the
// site's place tells it.
struct CertificateProblem {
    QWebEngineCertificateError::Type type = QWebEngineCertificateError::CertificateInvalid;
    QString host;
    // Of the site's own certificate; invalid when unknown.
    QDateTime notBefore;
    QDateTime notAfter;
    // The names the certificate was issued for.
    QStringList names;
    // The engine's own words.
    QString description;
};

// The problem in words a user understands, to follow "... is really HOST:".
QString certificateProblemText(const CertificateProblem &problem);

// The page shown instead of the site. With a proceedUrl it ends in a link
// "Proceed to HOST (unsafe)" to that address; without one it says that the
// problem cannot be passed over.
QString certificateWarningHtml(const CertificateProblem &problem, const QUrl &proceedUrl);
