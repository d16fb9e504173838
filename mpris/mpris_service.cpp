#include "mpris/mpris_service.h"

#include "mpris/player_adaptor.h"
#include "mpris/player_control.h"
#include "mpris/player_values.h"
#include "mpris/root_adaptor.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>

namespace mpris {

MprisService::MprisService(PlayerControl& control, const QDBusConnection& connection)
    : control_(control), connection_(connection) {
    new RootAdaptor(this, control_);
    new PlayerAdaptor(this, control_);
    announceTimer_.setSingleShot(true);
    announceTimer_.setInterval(0);
    connect(&announceTimer_, &QTimer::timeout, this, &MprisService::AnnounceChanges);
}

MprisService::~MprisService() {
    control_.WatchChanges(nullptr);
    if (busName_.isEmpty())
        return;
    connection_.unregisterService(busName_);
    connection_.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool MprisService::Start() {
    if (!busName_.isEmpty())
        return true;
    if (!connection_.isConnected())
        return false;
    const QString path = QString::fromLatin1(kObjectPath);
    if (!connection_.registerObject(path, this, QDBusConnection::ExportAdaptors))
        return false;
    if (!ClaimName()) {
        connection_.unregisterObject(path);
        return false;
    }
    announced_ = AnnouncedPlayerProperties(control_);
    control_.WatchChanges([this] { ScheduleAnnouncement(); });
    return true;
}

bool MprisService::ClaimName() {
    QDBusConnectionInterface* bus = connection_.interface();
    if (!bus)
        return false;
    const QString first = QString::fromLatin1(kBusName);
    const QString instance =
        first + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    for (const QString& name : {first, instance}) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
            bus->registerService(name, QDBusConnectionInterface::DontQueueService,
                                 QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
            busName_ = name;
            return true;
        }
    }
    return false;
}

void MprisService::ScheduleAnnouncement() {
    announceTimer_.start();
}

void MprisService::AnnounceChanges() {
    const QVariantMap now = AnnouncedPlayerProperties(control_);
    QVariantMap changed;
    for (auto it = now.constBegin(); it != now.constEnd(); ++it) {
        if (announced_.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    announced_ = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    connection_.send(signal);
}

} // namespace mpris
