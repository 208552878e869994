#pragma once

#include <QObject>

class QSocketNotifier;

// The signals by which a desktop asks a program to end: SIGTERM at a logout
// or shutdown without a session manager, SIGHUP when its terminal goes,
// SIGINT for Ctrl+C. The handler itself only writes the signal's number into
// a pipe; the GUI thread reads it there and reports it with received().
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers; call first thing in main(), so that a signal
    // that arrives while the program is still starting waits in the pipe
    // until the event loop runs. A signal the program was started with
    // ignored (nohup, a background job) stays ignored. Returns false where
    // there are no such signals or the pipe cannot be made.
    static bool install();

    // Reports the signals that arrived since install(), including those
    // that arrived before this object existed. Needs the application object.
    explicit TerminationSignals(QObject *parent = nullptr);

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
