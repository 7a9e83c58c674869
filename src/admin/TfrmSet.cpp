#include "admin/TfrmSet.h"

#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "db/FbQuery.h"
#include "db/TdmCmn.h"
#include "ui/DialogKit.h"
#include "ui/FileDialogs.h"
#include "ui/Named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QStringList kNameChoices{QStringLiteral("(なし)"), QStringLiteral("(発信者名)"), QStringLiteral("(着信者名)")};
} // namespace

TfrmSet::TfrmSet(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSet"));
    setWindowTitle(QStringLiteral("環境設定"));
    ChooseFolder = [this](const QString& start) {
        return FileDialogs::Folder(this, QStringLiteral("バックアップ先"), start);
    };
    ChoosePicture = [this]() {
        return FileDialogs::OpenFile(this, QStringLiteral("ロゴ画像"), QStringLiteral("画像 (*.jpg *.jpeg *.bmp)"));
    };
    BuildLayout();
    resize(600, 560);
    DialogKit::Apply(this);
    MakeInterfaceCombo();
}

void TfrmSet::BuildLayout()
{
    auto* v = new QVBoxLayout(this);
    PageSet = named(new QTabWidget(this), "PageSet");
    v->addWidget(PageSet, 1);

    // Basic settings.
    auto* basic = named(new QWidget, "tabBasic");
    auto* b = new QVBoxLayout(basic);
    chkAutoCustInfo = named(new QCheckBox(QStringLiteral("着信時に当ソフトの顧客情報を開く")), "chkAutoCustInfo");
    chkBring = named(new QCheckBox(QStringLiteral("着信時に点滅表示する")), "chkBring");
    b->addWidget(chkAutoCustInfo);
    b->addWidget(chkBring);

    auto* speak = new QGroupBox(basic);
    auto* sg = new QGridLayout(speak);
    chkSpeak = named(new QCheckBox(QStringLiteral("着信時に音声呼び出しする")), "chkSpeak");
    lblSpeed = named(new QLabel(QStringLiteral("速度")), "lblSpeed");
    trbSpeed = named(new QSlider(Qt::Horizontal), "trbSpeed");
    trbSpeed->setRange(50, 300);
    trbSpeed->setTickPosition(QSlider::TicksBelow);
    trbSpeed->setTickInterval(10);
    trbSpeed->setPageStep(10);
    cbxIndex1 = named(new QComboBox, "cbxIndex1");
    cbxIndex2 = named(new QComboBox, "cbxIndex2");
    cbxIndex1->addItems(kNameChoices);
    cbxIndex2->addItems(kNameChoices);
    edtFoot1 = named(new QLineEdit, "edtFoot1");
    edtFoot2 = named(new QLineEdit, "edtFoot2");
    lblSpeakNote = named(new QLabel(QStringLiteral("※ひらがなと全角カナしか音声対応していません")), "lblSpeakNote");
    sg->addWidget(chkSpeak, 0, 0, 1, 3);
    sg->addWidget(lblSpeed, 1, 0);
    sg->addWidget(trbSpeed, 1, 1, 1, 2);
    sg->addWidget(new QLabel(QStringLiteral("読み上げ")), 2, 0);
    sg->addWidget(cbxIndex1, 2, 1);
    sg->addWidget(edtFoot1, 2, 2);
    sg->addWidget(cbxIndex2, 3, 1);
    sg->addWidget(edtFoot2, 3, 2);
    sg->addWidget(lblSpeakNote, 4, 1, 1, 2);
    b->addWidget(speak);

    auto* resident = new QGridLayout;
    cbxJouchu = named(new QComboBox, "cbxJouchu");
    cbxJouchu->addItems({QStringLiteral("当ソフトを終了する"), QStringLiteral("タスクトレイ常駐する"),
                         QStringLiteral("画面最小化する")});
    chkJouchuOpen = named(new QCheckBox(QStringLiteral("着信時に当ソフトを開く")), "chkJouchuOpen");
    chkJouchuKidou = named(new QCheckBox(QStringLiteral("起動時にも常駐する")), "chkJouchuKidou");
    chkShowBalloon = named(new QCheckBox(QStringLiteral("着信時にバルーンヘルプ表示する")), "chkShowBalloon");
    resident->addWidget(new QLabel(QStringLiteral("閉じるボタンを押した時は")), 0, 0);
    resident->addWidget(cbxJouchu, 0, 1);
    resident->addWidget(chkJouchuOpen, 1, 0);
    resident->addWidget(chkJouchuKidou, 1, 1);
    resident->addWidget(chkShowBalloon, 2, 0, 1, 2);
    b->addLayout(resident);

    chkStartup = named(new QCheckBox(QStringLiteral("スタートアップに登録する（自動起動する）")), "chkStartup");
    chkLoginAuth = named(new QCheckBox(QStringLiteral("ログイン画面を表示する")), "chkLoginAuth");
    chkUseAccept = named(new QCheckBox(QStringLiteral("対応内容の登録機能を使う")), "chkUseAccept");
    chkAutoBackup = named(new QCheckBox(QStringLiteral("終了時に全データを自動バックアップする")), "chkAutoBackup");
    for (QWidget* w : {static_cast<QWidget*>(chkStartup), static_cast<QWidget*>(chkLoginAuth),
                       static_cast<QWidget*>(chkUseAccept), static_cast<QWidget*>(chkAutoBackup)})
        b->addWidget(w);
    auto* backup = new QHBoxLayout;
    edtBackupPath = named(new QLineEdit, "edtBackupPath");
    btnBackupPath = named(new QPushButton(QStringLiteral("参照...")), "btnBackupPath");
    backup->addWidget(new QLabel(QStringLiteral("バックアップ先")));
    backup->addWidget(edtBackupPath, 1);
    backup->addWidget(btnBackupPath);
    b->addLayout(backup);
    auto* daily = new QHBoxLayout;
    chkDailyBackup = named(new QCheckBox(QStringLiteral("毎日バックアップする")), "chkDailyBackup");
    tmeDailyBackup = named(new QTimeEdit, "tmeDailyBackup");
    tmeDailyBackup->setDisplayFormat(QStringLiteral("HH:mm"));
    spnBackupGenerations = named(new QSpinBox, "spnBackupGenerations");
    spnBackupGenerations->setRange(1, 99);
    daily->addWidget(chkDailyBackup);
    daily->addWidget(tmeDailyBackup);
    daily->addSpacing(16);
    daily->addWidget(new QLabel(QStringLiteral("保存する世代数")));
    daily->addWidget(spnBackupGenerations);
    daily->addStretch(1);
    b->addLayout(daily);
    b->addWidget(new QLabel(QStringLiteral("※増設したハードディスクなどの保存場所を指定してください。")));

    auto* misc = new QHBoxLayout;
    cbxKanaType = named(new QComboBox, "cbxKanaType");
    cbxKanaType->addItems({QStringLiteral("全角カナ"), QStringLiteral("全角かな"), QStringLiteral("半角ｶﾅ")});
    misc->addWidget(new QLabel(QStringLiteral("カナ使用")));
    misc->addWidget(cbxKanaType);
    misc->addWidget(new QLabel(QStringLiteral("ロゴ画像")));
    imgLogo = named(new QLabel, "imgLogo");
    imgLogo->setFixedSize(200, 40);
    imgLogo->setFrameShape(QFrame::Box);
    misc->addWidget(imgLogo);
    btnLogoLoad = named(new QPushButton(QStringLiteral("読込...")), "btnLogoLoad");
    btnLogoClear = named(new QPushButton(QStringLiteral("クリア")), "btnLogoClear");
    btnStretch = named(new QToolButton, "btnStretch");
    btnStretch->setText(QStringLiteral("調整"));
    btnStretch->setCheckable(true);
    misc->addWidget(btnLogoLoad);
    misc->addWidget(btnLogoClear);
    misc->addWidget(btnStretch);
    b->addLayout(misc);
    b->addStretch(1);
    PageSet->addTab(basic, QStringLiteral("基本設定"));

    // External link.
    auto* link = named(new QWidget, "tabLink");
    auto* l = new QVBoxLayout(link);
    chkLink = named(new QCheckBox(QStringLiteral("Access等の他の顧客管理画面と連携する")), "chkLink");
    lblInterface = named(new QLabel(QStringLiteral("連携プログラム")), "lblInterface");
    cbxInterface = named(new QComboBox, "cbxInterface");
    lblInterfaceNote =
        named(new QLabel(QStringLiteral("外部接続登録画面で事前に登録した内容をここで選択できます。")), "lblInterfaceNote");
    chkAutoLaunch = named(new QCheckBox(QStringLiteral("着信時に自動起動する")), "chkAutoLaunch");
    l->addWidget(chkLink);
    auto* row = new QHBoxLayout;
    row->addWidget(lblInterface);
    row->addWidget(cbxInterface, 1);
    l->addLayout(row);
    l->addWidget(lblInterfaceNote);
    l->addWidget(chkAutoLaunch);
    l->addStretch(1);
    PageSet->addTab(link, QStringLiteral("外部連携"));

    // Phone numbers.
    auto* numbers = named(new QWidget, "tabNumber");
    auto* n = new QVBoxLayout(numbers);
    chkNumberForm = named(new QCheckBox(QStringLiteral("電話番号の表記を統一する")), "chkNumberForm");
    edtCountryCode = named(new QLineEdit, "edtCountryCode");
    edtCountryCode->setMaxLength(3);
    auto* lblCountryCode = new QLabel(QStringLiteral("国番号"));
    n->addWidget(chkNumberForm);
    auto* ccRow = new QHBoxLayout;
    ccRow->addWidget(lblCountryCode);
    ccRow->addWidget(edtCountryCode);
    ccRow->addStretch(1);
    n->addLayout(ccRow);
    auto* lblNumberNote = new QLabel(QStringLiteral(
        "空白・ハイフン・かっこを除き、全角数字を半角にし、+国番号・00国番号で始まる番号を0で始まる国内の形にそろえて"
        "から、着信・発信・電話帳・顧客の番号を照合します。\n"
        "以前の表記で登録済みの番号は、保守メニューの「電話番号の表記を統一」でそろえられます。"));
    lblNumberNote->setWordWrap(true);
    n->addWidget(lblNumberNote);
    chkNumberDisplay =
        named(new QCheckBox(QStringLiteral("電話番号を区切って表示する（03-1234-5678）")), "chkNumberDisplay");
    n->addWidget(chkNumberDisplay);
    chkWarnInternational = named(new QCheckBox(QStringLiteral("国際電話の着信を知らせる")), "chkWarnInternational");
    n->addWidget(chkWarnInternational);
    chkCautionLaunch =
        named(new QCheckBox(QStringLiteral("要注意の番号の着信でも外部プログラムを起動する")), "chkCautionLaunch");
    n->addWidget(chkCautionLaunch);
    chkCautionCustTab =
        named(new QCheckBox(QStringLiteral("要注意の番号の着信でも顧客タブを開く")), "chkCautionCustTab");
    n->addWidget(chkCautionCustTab);
    auto* cautionRow = new QHBoxLayout;
    cautionRow->addWidget(new QLabel(QStringLiteral("注意の読上げ")));
    edtCautionText = named(new QLineEdit, "edtCautionText");
    cautionRow->addWidget(edtCautionText, 1);
    n->addLayout(cautionRow);
    n->addStretch(1);
    connect(chkNumberForm, &QCheckBox::toggled, edtCountryCode, &QWidget::setEnabled);
    PageSet->addTab(numbers, QStringLiteral("電話番号"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOK = named(new QPushButton(QStringLiteral("OK(&O)")), "btnOK");
    btnCancel = named(new QPushButton(QStringLiteral("取消(&C)")), "btnCancel");
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    v->addLayout(buttons);

    connect(chkLink, &QCheckBox::toggled, this, &TfrmSet::SetLinkEnabled);
    connect(chkSpeak, &QCheckBox::toggled, this, &TfrmSet::SetSpeakEnabled);
    // "(なし)": nothing is spoken, so no words after it either. Only a choice made here empties
    // the text; a stored "(なし)" keeps the stored words, so OK writes back what was read.
    const std::pair<QComboBox*, QLineEdit*> feet[] = {{cbxIndex1, edtFoot1}, {cbxIndex2, edtFoot2}};
    for (const auto& [combo, edit] : feet)
        connect(combo, &QComboBox::currentIndexChanged, this, [this, edit = edit](int index) {
            if (index == 0)
                edit->clear();
            SetFootEnabled();
        });
    connect(cbxJouchu, &QComboBox::currentIndexChanged, this, &TfrmSet::SetJouchuEnabled);
    connect(chkJouchuOpen, &QCheckBox::toggled, this, &TfrmSet::SetJouchuEnabled);
    connect(btnBackupPath, &QPushButton::clicked, this, &TfrmSet::btnBackupPathClick);
    connect(edtBackupPath, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (FBackupPathWasEmpty && !text.trimmed().isEmpty()) {
            FBackupPathWasEmpty = false;
            chkDailyBackup->setChecked(true);
        }
    });
    connect(btnLogoLoad, &QPushButton::clicked, this, &TfrmSet::btnLogoLoadClick);
    connect(btnLogoClear, &QPushButton::clicked, this, [this]() {
        FPicture = QImage();
        FPictureChanged = true;
        ShowPicture();
    });
    connect(btnStretch, &QToolButton::toggled, this, [this]() {
        FPictureChanged = true;
        ShowPicture();
    });
    connect(btnOK, &QPushButton::clicked, this, &TfrmSet::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmSet::MakeInterfaceCombo()
{
    cbxInterface->clear();
    FIfNos.clear();
    if (!dmCmn)
        return;
    const QString sql = QStringLiteral("select IF_NO, IF_NAME from INTERFACE order by IF_NO");
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    FbQuery q(dmCmn->IBDatabase1);
    q.setSql(sql);
    for (q.open(); !q.eof(); q.next()) {
        FIfNos.append(q.fieldByName(QStringLiteral("IF_NO")).asInteger());
        cbxInterface->addItem(q.fieldByName(QStringLiteral("IF_NAME")).asString());
    }
    q.close();
}

void TfrmSet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmSet::FormShow()
{
    const TSettingsValues v = TSettingsValues::Current();
    PageSet->setCurrentIndex(0);
    btnOK->setEnabled(true);
    // Load every control before any enabling rule runs: a rule fired half-way would judge by
    // controls that still show their initial state (and empty a text it should keep).
    const QSignalBlocker blockLink(chkLink), blockSpeak(chkSpeak), blockIndex1(cbxIndex1),
        blockIndex2(cbxIndex2), blockJouchu(cbxJouchu), blockJouchuOpen(chkJouchuOpen);
    cbxInterface->setCurrentIndex(FIfNos.indexOf(v.IfNo));
    chkLink->setChecked(v.LinkEnabled);
    chkAutoLaunch->setChecked(v.AutoLaunch);
    chkUseAccept->setChecked(v.UseAccept);
    chkLoginAuth->setChecked(v.LoginAuth);
    chkStartup->setChecked(v.Startup);
    chkSpeak->setChecked(v.SpeakEnabled);
    chkBring->setChecked(v.Bring);
    chkAutoCustInfo->setChecked(v.AutoCustInfo);
    trbSpeed->setValue(v.Speed);
    edtFoot1->setText(v.Foot1);
    edtFoot2->setText(v.Foot2);
    cbxIndex1->setCurrentIndex(v.Index1);
    cbxIndex2->setCurrentIndex(v.Index2);
    cbxJouchu->setCurrentIndex(v.Jouchu);
    chkJouchuOpen->setChecked(v.Jouchu > 0 && v.JouchuOpen);
    chkJouchuKidou->setChecked(v.JouchuKidou);
    chkShowBalloon->setChecked(v.ShowBalloon);
    chkAutoBackup->setChecked(v.AutoBackup);
    edtBackupPath->setText(v.AutoBackupPath);
    FBackupPathWasEmpty = v.AutoBackupPath.trimmed().isEmpty();
    chkDailyBackup->setChecked(v.DailyBackup);
    tmeDailyBackup->setTime(v.DailyBackupTime);
    spnBackupGenerations->setValue(v.BackupGenerations);
    cbxKanaType->setCurrentIndex(v.KanaType);
    chkNumberForm->setChecked(v.NumberForm);
    edtCountryCode->setText(v.CountryCode);
    edtCountryCode->setEnabled(v.NumberForm);
    chkNumberDisplay->setChecked(v.NumberDisplay);
    chkWarnInternational->setChecked(v.WarnInternational);
    chkCautionLaunch->setChecked(v.CautionLaunch);
    chkCautionCustTab->setChecked(v.CautionCustTab);
    edtCautionText->setText(v.CautionText);
    FPicture = QFileInfo::exists(gBannerFile) ? QImage(gBannerFile) : QImage();
    {
        const QSignalBlocker block(btnStretch);
        btnStretch->setChecked(v.BannerStretch);
    }
    ShowPicture();
    SetLinkEnabled();
    SetSpeakEnabled();
    SetJouchuEnabled();
    FPictureChanged = false;
}

void TfrmSet::SetLinkEnabled()
{
    const bool on = chkLink->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(lblInterface), static_cast<QWidget*>(cbxInterface),
                       static_cast<QWidget*>(lblInterfaceNote), static_cast<QWidget*>(chkAutoLaunch)})
        w->setEnabled(on);
}

void TfrmSet::SetSpeakEnabled()
{
    const bool on = chkSpeak->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(trbSpeed), static_cast<QWidget*>(lblSpeed),
                       static_cast<QWidget*>(cbxIndex1), static_cast<QWidget*>(cbxIndex2),
                       static_cast<QWidget*>(lblSpeakNote)})
        w->setEnabled(on);
    SetFootEnabled();
}

void TfrmSet::SetFootEnabled()
{
    const bool on = chkSpeak->isChecked();
    const std::pair<QComboBox*, QLineEdit*> pairs[] = {{cbxIndex1, edtFoot1}, {cbxIndex2, edtFoot2}};
    for (const auto& [combo, edit] : pairs)
        edit->setEnabled(on && combo->currentIndex() != 0);
}

void TfrmSet::SetJouchuEnabled()
{
    const int choice = cbxJouchu->currentIndex();
    chkJouchuOpen->setEnabled(choice == 1 || choice == 2);
    chkJouchuKidou->setEnabled(choice == 1);
    chkShowBalloon->setEnabled(choice == 1 && !chkJouchuOpen->isChecked());
}

void TfrmSet::ShowPicture()
{
    imgLogo->setScaledContents(btnStretch->isChecked());
    imgLogo->setPixmap(FPicture.isNull() ? QPixmap() : QPixmap::fromImage(FPicture));
}

void TfrmSet::btnBackupPathClick()
{
    const QString current = edtBackupPath->text();
    const QString chosen = ChooseFolder(QDir(current).exists() && !current.isEmpty() ? current : QString());
    if (!chosen.isEmpty())
        edtBackupPath->setText(QDir::toNativeSeparators(chosen));
}

void TfrmSet::btnLogoLoadClick()
{
    const QString path = ChoosePicture();
    if (path.isEmpty())
        return;
    const QImage picture = QFileInfo(path).suffix().compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0
                               ? QImage(path, "JPG")
                               : QImage(path);
    if (picture.isNull()) {
        MessageService::Warning(QStringLiteral("画像を読み込めませんでした。") + path);
        return;
    }
    FPicture = picture;
    FPictureChanged = true;
    ShowPicture();
}

TSettingsValues TfrmSet::Collect() const
{
    TSettingsValues v;
    v.LinkEnabled = chkLink->isChecked();
    v.AutoLaunch = chkAutoLaunch->isChecked();
    const int chosen = cbxInterface->currentIndex();
    v.IfNo = chosen >= 0 && chosen < FIfNos.size() ? FIfNos.at(chosen) : -1;
    v.UseAccept = chkUseAccept->isChecked();
    v.LoginAuth = chkLoginAuth->isChecked();
    v.Startup = chkStartup->isChecked();
    v.SpeakEnabled = chkSpeak->isChecked();
    v.Speed = trbSpeed->value();
    v.Index1 = cbxIndex1->currentIndex();
    v.Index2 = cbxIndex2->currentIndex();
    v.Foot1 = edtFoot1->text();
    v.Foot2 = edtFoot2->text();
    v.AutoCustInfo = chkAutoCustInfo->isChecked();
    v.Bring = chkBring->isChecked();
    v.Jouchu = qMax(0, cbxJouchu->currentIndex());
    v.JouchuOpen = chkJouchuOpen->isChecked();
    v.JouchuKidou = chkJouchuKidou->isChecked();
    v.ShowBalloon = chkShowBalloon->isChecked();
    v.AutoBackup = chkAutoBackup->isChecked();
    v.AutoBackupPath = edtBackupPath->text();
    v.DailyBackup = chkDailyBackup->isChecked();
    v.DailyBackupTime = tmeDailyBackup->time();
    v.BackupGenerations = spnBackupGenerations->value();
    v.KanaType = qMax(0, cbxKanaType->currentIndex());
    v.BannerStretch = btnStretch->isChecked();
    v.NumberForm = chkNumberForm->isChecked();
    v.CountryCode = edtCountryCode->text().trimmed();
    v.NumberDisplay = chkNumberDisplay->isChecked();
    v.WarnInternational = chkWarnInternational->isChecked();
    v.CautionLaunch = chkCautionLaunch->isChecked();
    v.CautionCustTab = chkCautionCustTab->isChecked();
    v.CautionText = edtCautionText->text();
    return v;
}

void TfrmSet::btnOKClick()
{
    btnOK->setEnabled(false);
    const TSettingsValues v = Collect();
    if ((v.AutoBackup || v.DailyBackup) && (v.AutoBackupPath.isEmpty() || !QDir(v.AutoBackupPath).exists())) {
        MessageService::Warning(QStringLiteral("バックアップ先が無効です。バックアップ先を指定してください。"));
        btnOK->setEnabled(true);
        return;
    }
    if (v.NumberForm && !TSettingsValues::ValidCountryCode(v.CountryCode)) {
        MessageService::Warning(QStringLiteral("国番号は1～3桁の数字で入力してください。"));
        PageSet->setCurrentWidget(edtCountryCode->parentWidget());
        edtCountryCode->setFocus();
        btnOK->setEnabled(true);
        return;
    }
    if (SettingsWriter::NeedsRestart(v, FPictureChanged)) {
        if (MessageService::Show(MsgKind::Warning,
                                 QStringLiteral("この変更には再起動が必要です。当ソフトを再起動してよろしいですか？"),
                                 MsgButtons::OkCancel) != MsgResult::Ok) {
            btnOK->setEnabled(true);
            return;
        }
        gRestartRequested = true;
    }
    if (v.SpeakEnabled) {
        if (cbxIndex1->currentIndex() < 0)
            cbxIndex1->setCurrentIndex(0);
        if (cbxIndex2->currentIndex() < 0)
            cbxIndex2->setCurrentIndex(0);
    }
    SettingsWriter::Hooks hooks = FHooks;
    hooks.Picture = [this]() {
        if (!FPictureChanged)
            return;
        if (FPicture.isNull())
            QFile::remove(gBannerFile);
        else if (!FPicture.save(gBannerFile, "BMP"))
            WriteLog(QStringLiteral("TfrmSet cannot save the title picture ") + gBannerFile);
    };
    SettingsWriter::Write(v, hooks);
    accept();
}
