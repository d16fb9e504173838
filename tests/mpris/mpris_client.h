// A D-Bus client of the player's MPRIS objects on a connection of its own:
// calls methods, reads and writes properties, and records the
// PropertiesChanged and Seeked signals. Every wait processes events, so a
// service living in the test process itself answers meanwhile.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <vector>

namespace testsupport {

inline const char* const kPlayer = "org.mpris.MediaPlayer2.Player";
inline const char* const kRoot = "org.mpris.MediaPlayer2";

// A dictionary as it arrives: already a map, or still in its D-Bus form.
QVariantMap AsMap(const QVariant& value);

class MprisClient : public QObject {
    Q_OBJECT
public:
    explicit MprisClient(
        const QString& busName = QStringLiteral("org.mpris.MediaPlayer2.quaverly"));
    ~MprisClient() override;

    bool connected() const { return connection_.isConnected(); }
    QDBusConnection& connection() { return connection_; }
    void setBusName(const QString& name) { busName_ = name; }

    QDBusMessage call(const QString& method, const QVariantList& args = {},
                      const char* interface = kPlayer);
    QVariant get(const QString& property, const char* interface = kPlayer);
    // False when the service refused the value.
    bool set(const QString& property, const QVariant& value, const char* interface = kPlayer);

    // Whether a name is on the bus, and waiting until it is or is not.
    bool hasName(const QString& name);
    bool waitForName(const QString& name, bool present, int timeoutMs = 20000);

    // The changed-property maps announced since the last clear.
    const std::vector<QVariantMap>& changes() const { return changes_; }
    const std::vector<qlonglong>& seeks() const { return seeks_; }
    void clearSignals();
    // The first announcement since the last clear for which match holds.
    std::optional<QVariantMap> waitForChange(const std::function<bool(const QVariantMap&)>& match,
                                             int timeoutMs = 20000);
    bool waitForSeek(int timeoutMs = 20000);

private slots:
    void onPropertiesChanged(const QDBusMessage& message);
    void onSeeked(qlonglong position);

private:
    QString busName_;
    QString connectionName_;
    QDBusConnection connection_;
    std::vector<QVariantMap> changes_;
    std::vector<qlonglong> seeks_;
};

} // namespace testsupport
