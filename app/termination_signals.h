// SIGTERM, SIGINT and SIGHUP close the frame normally (its settings are
// saved), which is what the end of a desktop session is on this platform.
// They also set the process-wide close request, so that a download or probe
// blocking the UI thread ends at once and the frame can close.
#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace app {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QWidget* frame);
    ~TerminationSignals() override;

private:
    void OnSignal();

    QWidget* frame_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace app
