#pragma once

#include <QFrame>

// The bar that offers, after a run that did not end cleanly, to open again
// what its windows showed: "Reopen" and "Dismiss". Either answer closes it.
class ReopenBar : public QFrame
{
    Q_OBJECT

public:
    explicit ReopenBar(const QStringList &addresses, QWidget *parent = nullptr);

Q_SIGNALS:
    void reopenChosen();
    void dismissed();
};
