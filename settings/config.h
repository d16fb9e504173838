// CConfig: copies the saved window placement and control state into the
// frame once after creation, and back into the settings file when it closes.
// A mix-in of the frame; the frame supplies the controls it reads and writes.
#pragma once

#include "settings/ini_file.h"
#include "settings/settings_keys.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace settings {

// The primary screen's size, taken once when first asked (at start-up).
QSize startupScreenSize();

template <class Frame> class CConfig {
public:
    void Load() {
        IniFile ini(iniPath());
        const QSize screen = startupScreenSize();
        const int cy = ini.ReadInt(keys::WndCY, kDefaultHeight);
        const int cx = ini.ReadInt(keys::WndCX, kDefaultWidth);
        const int y = ini.ReadInt(keys::WndY, (screen.height() - kDefaultHeight) / 2);
        const int x = ini.ReadInt(keys::WndX, (screen.width() - kDefaultWidth) / 2);
        frame().ApplyOuterGeometry(QRect(x, y, cx, cy));
        if (ini.ReadInt(keys::WndMax, 0) != 0)
            frame().showMaximized();
        frame().SetEffectChecks(ini.ReadInt(keys::EnableEq, 0) != 0,
                                ini.ReadInt(keys::EnableComp, 0) != 0,
                                ini.ReadInt(keys::EnableReverb, 0) != 0);
        frame().ApplyVolume(ini.ReadInt(keys::Volume, 100));
        frame().SelectOrder(ini.ReadInt(keys::Order, 0));
        frame().SetSplitterPos(ini.ReadInt(keys::SplitterPos, 160));
        // A stored width keeps the 16 bits a list view's column message carries.
        frame().SetTrackColumnWidth(1, ini.ReadInt(keys::Column1CX, 30) & 0xFFFF);
        frame().SetTrackColumnWidth(2, ini.ReadInt(keys::Column2CX, 240) & 0xFFFF);
    }

    // One rewrite of the file for all ten keys, after the values still
    // waiting for the background writer.
    void Save() {
        IniFile::FinishBackgroundWrites();
        const int maximised = frame().isMaximized() ? 1 : 0;
        const QRect outer = frame().RestoreAndGetOuterGeometry();
        IniFile(iniPath()).WriteInts({
            {keys::WndMax, maximised},
            {keys::WndX, outer.left()},
            {keys::WndY, outer.top()},
            {keys::WndCX, outer.width()},
            {keys::WndCY, outer.height()},
            {keys::Volume, frame().VolumePosition()},
            {keys::Order, frame().SelectedOrder()},
            {keys::SplitterPos, frame().SplitterPos()},
            {keys::Column1CX, frame().TrackColumnWidth(1)},
            {keys::Column2CX, frame().TrackColumnWidth(2)},
        });
    }

    const QString& iniPath() const { return iniPath_; }

protected:
    explicit CConfig(QString iniPath) : iniPath_(std::move(iniPath)) {}

private:
    static constexpr int kDefaultWidth = 480;
    static constexpr int kDefaultHeight = 360;

    Frame& frame() { return static_cast<Frame&>(*this); }

    QString iniPath_;
};

} // namespace settings
