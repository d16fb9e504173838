// CCustomSheet "設定": the General page and the DSP page over the settings
// file. Each page fills its controls from the file when it is created and
// writes all of its keys when it is left (a tab switch or OK); Cancel writes
// nothing more. The DSP page is created when its tab is first shown.
#pragma once

#include <QDialog>
#include <QString>
#include <array>

class QCheckBox;
class QSlider;
class QTabWidget;

namespace settings {

class CCustomPage1 : public QWidget {
    Q_OBJECT
public:
    explicit CCustomPage1(const QString& iniPath, QWidget* parent = nullptr);
    void OnKillActive();
    QCheckBox* noMultiInst() const { return noMultiInst_; }
    QCheckBox* launchAndPlay() const { return launchAndPlay_; }

private:
    QString iniPath_;
    QCheckBox* noMultiInst_;
    QCheckBox* launchAndPlay_;
};

class CCustomPage2 : public QWidget {
    Q_OBJECT
public:
    explicit CCustomPage2(const QString& iniPath, QWidget* parent = nullptr);
    void OnKillActive();
    // Tip text of a trackbar by control id ("%ddB", "%dms"); "" for others.
    QString TipText(int controlId) const;
    QSlider* slider(int controlId) const;
    QCheckBox* checkBox(int controlId) const;
    // The size the page takes with the application's font, found without
    // reading the settings file, so that the sheet is as large as its
    // largest page from the start.
    static QSize LaidOutSize();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CCustomPage2(); // the controls alone, for LaidOutSize
    void BuildControls();
    void LoadValues();
    QSlider* AddSlider(int id, Qt::Orientation orientation);
    QCheckBox* AddEnable(size_t index, int id);
    void ShowTip(QSlider* bar);

    QString iniPath_;
    std::array<QCheckBox*, 3> enables_{};  // 1005, 1006, 1007
    std::array<QSlider*, 7> bands_{};      // band 1..7 = controls 1014..1008
    std::array<QSlider*, 4> parameters_{}; // 1015, 1016, 1017, 1019
};

class CCustomSheet : public QDialog {
    Q_OBJECT
public:
    CCustomSheet(const QString& iniPath, QWidget* owner);

    CCustomPage1* generalPage() const { return general_; }
    // Null until the DSP tab has been shown.
    CCustomPage2* dspPage() const { return dsp_; }
    QTabWidget* tabs() const { return tabs_; }

private:
    void OnTabChanged(int index);
    void OnOk();
    void LeavePage(int index);

    QString iniPath_;
    QTabWidget* tabs_;
    CCustomPage1* general_;
    CCustomPage2* dsp_ = nullptr;
    QWidget* dspHolder_;
    int currentTab_ = 0;
};

} // namespace settings
