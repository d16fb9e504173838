#include "mpris_client.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QTest>
#include <QUuid>

namespace testsupport {

namespace {
constexpr const char* kPath = "/org/mpris/MediaPlayer2";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr int kCallTimeoutMs = 20000;
} // namespace

QVariantMap AsMap(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value.toMap();
}

MprisClient::MprisClient(const QString& busName)
    : busName_(busName),
      connectionName_(QStringLiteral("mpris-test-") + QUuid::createUuid().toString(QUuid::Id128)),
      connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)) {
    // Any sender: the private bus carries only the player under test.
    connection_.connect(QString(), kPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                        SLOT(onPropertiesChanged(QDBusMessage)));
    connection_.connect(QString(), kPath, kPlayer, QStringLiteral("Seeked"), this,
                        SLOT(onSeeked(qlonglong)));
}

MprisClient::~MprisClient() {
    QDBusConnection::disconnectFromBus(connectionName_);
}

QDBusMessage MprisClient::call(const QString& method, const QVariantList& args,
                               const char* interface) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(busName_, kPath, QString::fromLatin1(interface), method);
    message.setArguments(args);
    QDBusPendingCall pending = connection_.asyncCall(message, kCallTimeoutMs);
    if (!QTest::qWaitFor([&] { return pending.isFinished(); }, kCallTimeoutMs + 1000))
        return {};
    return pending.reply();
}

QVariant MprisClient::get(const QString& property, const char* interface) {
    const QDBusMessage reply =
        call(QStringLiteral("Get"), {QString::fromLatin1(interface), property}, kProperties);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

bool MprisClient::set(const QString& property, const QVariant& value, const char* interface) {
    const QDBusMessage reply =
        call(QStringLiteral("Set"),
             {QString::fromLatin1(interface), property, QVariant::fromValue(QDBusVariant(value))},
             kProperties);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool MprisClient::hasName(const QString& name) {
    return connection_.interface()->isServiceRegistered(name).value();
}

bool MprisClient::waitForName(const QString& name, bool present, int timeoutMs) {
    return QTest::qWaitFor([&] { return hasName(name) == present; }, timeoutMs);
}

void MprisClient::clearSignals() {
    QCoreApplication::processEvents();
    changes_.clear();
    seeks_.clear();
}

std::optional<QVariantMap>
MprisClient::waitForChange(const std::function<bool(const QVariantMap&)>& match, int timeoutMs) {
    std::optional<QVariantMap> found;
    (void)QTest::qWaitFor(
        [&] {
            for (const QVariantMap& change : changes_) {
                if (match(change)) {
                    found = change;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool MprisClient::waitForSeek(int timeoutMs) {
    return QTest::qWaitFor([&] { return !seeks_.empty(); }, timeoutMs);
}

void MprisClient::onPropertiesChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 2 || args.at(0).toString() != QLatin1String(kPlayer))
        return;
    changes_.push_back(AsMap(args.at(1)));
}

void MprisClient::onSeeked(qlonglong position) {
    seeks_.push_back(position);
}

} // namespace testsupport
