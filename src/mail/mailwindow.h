#pragma once

#include "mail/mailmessage.h"
#include "mail/smtpclient.h"

#include <QByteArray>
#include <QHash>
#include <QSize>
#include <QWidget>

#include <span>

class AppContext;
class QLabel;

// What the Send Mail and Comments windows share: controls placed from a
// table, the fields they remember, and the send itself with its status texts,
// message boxes and outcome. Closing the window ends an exchange under way.
class MailWindow : public QWidget
{
public:
    // One control, placed in twips relative to the client area (the status
    // label relative to "Frame1", which holds it).
    struct Control {
        enum class Kind { Button, Frame, Label, Field, Body, Status };
        const char *name;
        Kind kind;
        const char *caption;
        int left;
        int top;
        int width;
        int height;
        // Labels and frames are numbered too but never take the focus.
        int tabIndex;
    };

protected:
    MailWindow(AppContext &context, const SmtpClientConfig &smtp, const QString &caption,
        QSize clientSizeTwips, std::span<const Control> controls, QWidget *parent);

    // The message as the fields read now.
    virtual MailMessage composeMessage() const = 0;
    // Stores the remembered fields as they read now.
    virtual void rememberFields() = 0;

    QWidget *control(const char *name) const { return m_controls.value(name); }
    QString fieldText(const char *name) const;
    void loadField(const char *name, const char16_t *settingsKey);
    void storeField(const char *name, const char16_t *settingsKey);

    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControl(const Control &control);
    void orderTabs(std::span<const Control> controls);
    void send();
    void showOutcome(bool accepted);

    AppContext &m_context;
    SmtpClient *m_client;
    QHash<QByteArray, QWidget *> m_controls;
    QLabel *m_status = nullptr;
    bool m_centred = false;
};
