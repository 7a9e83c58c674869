#pragma once

#include "admin/TSettingsValues.h"

#include <QDialog>
#include <QImage>
#include <QList>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimeEdit;
class QTabWidget;
class QToolButton;

// "環境設定": every setting of call handling, speech, resident mode, start-up, backup, the
// external link and the response feature. OK writes and applies them at once; a change that
// needs a restart is asked about first.
class TfrmSet : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSet(QWidget* parent = nullptr);

    // How the running program takes each change (the main window sets them).
    void SetHooks(SettingsWriter::Hooks hooks) { FHooks = std::move(hooks); }
    // Choosers; tests replace them.
    std::function<QString(const QString& start)> ChooseFolder;
    std::function<QString()> ChoosePicture;

    void MakeInterfaceCombo();
    void FormShow();
    void btnOKClick();
    bool PictureChanged() const { return FPictureChanged; }
    const QImage& Picture() const { return FPicture; }
    QList<int> InterfaceNumbers() const { return FIfNos; }

    QTabWidget* PageSet = nullptr;
    QCheckBox* chkAutoCustInfo = nullptr;
    QCheckBox* chkBring = nullptr;
    QCheckBox* chkSpeak = nullptr;
    QSlider* trbSpeed = nullptr;
    QLabel* lblSpeed = nullptr;
    QComboBox* cbxIndex1 = nullptr;
    QLineEdit* edtFoot1 = nullptr;
    QComboBox* cbxIndex2 = nullptr;
    QLineEdit* edtFoot2 = nullptr;
    QLabel* lblSpeakNote = nullptr;
    QComboBox* cbxJouchu = nullptr;
    QCheckBox* chkJouchuOpen = nullptr;
    QCheckBox* chkJouchuKidou = nullptr;
    QCheckBox* chkShowBalloon = nullptr;
    QCheckBox* chkStartup = nullptr;
    QCheckBox* chkLoginAuth = nullptr;
    QCheckBox* chkUseAccept = nullptr;
    QCheckBox* chkAutoBackup = nullptr;
    QLineEdit* edtBackupPath = nullptr;
    QCheckBox* chkNumberForm = nullptr;
    QCheckBox* chkNumberDisplay = nullptr;
    QCheckBox* chkWarnInternational = nullptr;
    QCheckBox* chkCautionLaunch = nullptr;
    QCheckBox* chkCautionCustTab = nullptr;
    QLineEdit* edtCautionText = nullptr;
    QLineEdit* edtCountryCode = nullptr;
    QPushButton* btnBackupPath = nullptr;
    QCheckBox* chkDailyBackup = nullptr;
    QTimeEdit* tmeDailyBackup = nullptr;
    QSpinBox* spnBackupGenerations = nullptr;
    QComboBox* cbxKanaType = nullptr;
    QLabel* imgLogo = nullptr;
    QPushButton* btnLogoLoad = nullptr;
    QPushButton* btnLogoClear = nullptr;
    QToolButton* btnStretch = nullptr;
    QCheckBox* chkLink = nullptr;
    QLabel* lblInterface = nullptr;
    QComboBox* cbxInterface = nullptr;
    QLabel* lblInterfaceNote = nullptr;
    QCheckBox* chkAutoLaunch = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildLayout();
    void SetLinkEnabled();
    void SetSpeakEnabled();
    void SetFootEnabled();
    void SetJouchuEnabled();
    void ShowPicture();
    void btnBackupPathClick();
    void btnLogoLoadClick();
    TSettingsValues Collect() const;

    SettingsWriter::Hooks FHooks;
    QList<int> FIfNos;
    QImage FPicture;
    bool FPictureChanged = false;
    // The daily copy is switched on when a backup folder is set for the first time.
    bool FBackupPathWasEmpty = false;
};
