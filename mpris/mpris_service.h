// The player on the session bus: the two MPRIS objects at
// /org/mpris/MediaPlayer2 under the name org.mpris.MediaPlayer2.quaverly (or,
// when another copy holds that name, ...quaverly.instance<pid>), and the
// PropertiesChanged announcements that follow the player's state.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <QVariantMap>

namespace mpris {

class PlayerControl;

inline constexpr const char* kBusName = "org.mpris.MediaPlayer2.quaverly";

class MprisService : public QObject {
    Q_OBJECT
public:
    explicit MprisService(PlayerControl& control,
                          const QDBusConnection& connection = QDBusConnection::sessionBus());
    ~MprisService() override;
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;

    // Puts the objects and a name on the bus. False, and nothing else
    // happens, when there is no bus or no name could be had.
    bool Start();
    // The name owned, empty before Start or when it failed.
    const QString& busName() const { return busName_; }

private:
    bool ClaimName();
    void ScheduleAnnouncement();
    void AnnounceChanges();

    PlayerControl& control_;
    QDBusConnection connection_;
    QString busName_;
    QVariantMap announced_;
    // Several changes of one user action (stop, open, play) make one
    // announcement once the action is done.
    QTimer announceTimer_;
};

} // namespace mpris
