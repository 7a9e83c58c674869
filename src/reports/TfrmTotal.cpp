#include "reports/TfrmTotal.h"

#include "reports/CautionCalls.h"

#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/MessageService.h"
#include "core/PhoneNumberForm.h"
#include "core/ProfileFile.h"
#include "db/TdmCmn.h"
#include "reports/TfrmChart.h"
#include "reports/TfrmPrint.h"
#include "reports/TotalsReport.h"
#include "ui/DialogKit.h"
#include "ui/ZuvaroApplication.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QString kSection = QStringLiteral("TOTAL");

TfrmTotal::Previewer& previewer()
{
    static TfrmTotal::Previewer p = [](const BandReport& report, QWidget* parent) {
        TfrmPrint preview(report, parent);
        preview.exec();
    };
    return p;
}

TfrmTotal::Searcher& searcher()
{
    static TfrmTotal::Searcher s;
    return s;
}

template <typename T> T* named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QPushButton* button(const QString& caption, const char* name)
{
    auto* b = named(new QPushButton(caption), name);
    // Enter moves to the next input; it must not press a button.
    b->setAutoDefault(false);
    return b;
}

QLabel* namePanel(const char* name)
{
    auto* l = named(new QLabel, name);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(150);
    return l;
}

QSpinBox* countBox(const char* name)
{
    auto* s = named(new QSpinBox, name);
    // Negative counts are accepted: they mean no limit, as they always have.
    s->setRange(-99999, 999999);
    return s;
}

} // namespace

void TfrmTotal::SetPreviewer(Previewer p)
{
    previewer() = std::move(p);
}

void TfrmTotal::SetSearcher(Searcher s)
{
    searcher() = std::move(s);
}

TfrmTotal::TfrmTotal(TdmCmn& dm, bool portColumnShown, QWidget* parent)
    : QDialog(parent), FDm(dm), FPortOffered(portColumnShown)
{
    setObjectName(QStringLiteral("frmTotal"));
    setWindowTitle(QStringLiteral("集計印刷"));
    setModal(true);

    cbxValue = named(new QComboBox, "cbxValue");
    cbxValue->addItems({QStringLiteral("なし"), QStringLiteral("通話回数")});
    cbxItem = named(new QComboBox, "cbxItem");
    cbxItem->addItems({QStringLiteral("発着信電話番号別"), QStringLiteral("顧客別（代表電話番号別）")});
    dtpFrom = named(new QDateEdit, "dtpFrom");
    dtpTo = named(new QDateEdit, "dtpTo");
    for (QDateEdit* d : {dtpFrom, dtpTo}) {
        d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        d->setCalendarPopup(true);
    }
    cbxKubun = named(new QComboBox, "cbxKubun");
    cbxKubun->addItems({QStringLiteral("着信"), QStringLiteral("発信"), QStringLiteral("全て")});

    auto group = [](QGroupBox* box, QRadioButton* one, QLineEdit* edit, QPushButton* ref, QLabel* name,
                    QRadioButton* all, QCheckBox* top, QSpinBox* count) {
        auto* g = new QGridLayout(box);
        g->addWidget(one, 0, 0);
        g->addWidget(edit, 0, 1);
        g->addWidget(ref, 0, 2);
        g->addWidget(name, 1, 1, 1, 2);
        g->addWidget(all, 2, 0);
        auto* topRow = new QHBoxLayout;
        topRow->addWidget(top);
        topRow->addWidget(count);
        topRow->addStretch();
        g->addLayout(topRow, 2, 1, 1, 2);
    };
    grpTel = named(new QGroupBox(QStringLiteral("発着信番号")), "grpTel");
    rbTelOne = named(new QRadioButton(QStringLiteral("個別指定")), "rbTelOne");
    edtTelNo = named(new QLineEdit, "edtTelNo");
    btnTelRef = button(QStringLiteral("参照..."), "btnTelRef");
    pnlTelName = namePanel("pnlTelName");
    rbTelAll = named(new QRadioButton(QStringLiteral("全体指定")), "rbTelAll");
    chkTelTop = named(new QCheckBox(QStringLiteral("上位表示件数")), "chkTelTop");
    spnTelNum = countBox("spnTelNum");
    group(grpTel, rbTelOne, edtTelNo, btnTelRef, pnlTelName, rbTelAll, chkTelTop, spnTelNum);

    grpCust = named(new QGroupBox(QStringLiteral("代表番号")), "grpCust");
    rbCustOne = named(new QRadioButton(QStringLiteral("個別指定")), "rbCustOne");
    edtCustNo = named(new QLineEdit, "edtCustNo");
    btnCustRef = button(QStringLiteral("参照..."), "btnCustRef");
    pnlCustName = namePanel("pnlCustName");
    rbCustAll = named(new QRadioButton(QStringLiteral("全体指定")), "rbCustAll");
    chkCustTop = named(new QCheckBox(QStringLiteral("上位表示件数")), "chkCustTop");
    spnCustNum = countBox("spnCustNum");
    group(grpCust, rbCustOne, edtCustNo, btnCustRef, pnlCustName, rbCustAll, chkCustTop, spnCustNum);
    DialogKit::LimitToColumn(edtTelNo, QStringLiteral("TELS"), QStringLiteral("TEL_NO"));
    DialogKit::LimitToColumn(edtCustNo, QStringLiteral("TELS"), QStringLiteral("CUST_TEL_NON"));

    chkPort = named(new QCheckBox(QStringLiteral("自携帯番号(下4桁)")), "chkPort");
    edtPort = named(new QLineEdit, "edtPort");
    edtPort->setMaxLength(9);
    btnOk = button(QStringLiteral("OK(&O)"), "btnOk");
    btnClose = button(QStringLiteral("閉じる(&X)"), "btnClose");
    btnCaution = button(QStringLiteral("要注意の着信..."), "btnCaution");
    btnChart = button(QStringLiteral("グラフ(&G)"), "btnChart");

    auto* form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("集計")), 0, 0);
    form->addWidget(cbxValue, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("項目")), 1, 0);
    form->addWidget(cbxItem, 1, 1, 1, 3);
    form->addWidget(new QLabel(QStringLiteral("期間")), 2, 0);
    form->addWidget(dtpFrom, 2, 1);
    form->addWidget(new QLabel(QStringLiteral("～")), 2, 2);
    form->addWidget(dtpTo, 2, 3);
    form->addWidget(new QLabel(QStringLiteral("発着")), 3, 0);
    form->addWidget(cbxKubun, 3, 1);
    auto* port = new QHBoxLayout;
    port->addWidget(chkPort);
    port->addWidget(edtPort);
    port->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCaution);
    buttons->addWidget(btnChart);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnClose);
    auto* main = new QVBoxLayout(this);
    main->addLayout(form);
    // Only one of the two groups shows at a time, in the same place.
    main->addWidget(grpTel);
    main->addWidget(grpCust);
    main->addLayout(port);
    main->addStretch();
    main->addLayout(buttons);

    connect(cbxValue, qOverload<int>(&QComboBox::activated), this, [this] { cbxValueChange(); });
    connect(cbxItem, qOverload<int>(&QComboBox::activated), this, [this] { cbxItemChange(); });
    connect(chkTelTop, &QCheckBox::clicked, this, [this] { chkTelTopClick(); });
    connect(chkCustTop, &QCheckBox::clicked, this, [this] { chkCustTopClick(); });
    connect(chkPort, &QCheckBox::clicked, this, [this] { chkPortClick(); });
    connect(edtTelNo, &QLineEdit::textEdited, this, [this] { edtTelNoChange(); });
    connect(edtCustNo, &QLineEdit::textEdited, this, [this] { edtCustNoChange(); });
    // Choosing "個別指定" makes its number input usable, so that one number can be given
    // also where no search dialog is at hand.
    connect(rbTelOne, &QRadioButton::clicked, this, [this] { edtTelNo->setEnabled(true); });
    connect(rbCustOne, &QRadioButton::clicked, this, [this] { edtCustNo->setEnabled(true); });
    connect(btnTelRef, &QPushButton::clicked, this, [this] { btnTelRefClick(); });
    connect(btnCustRef, &QPushButton::clicked, this, [this] { btnCustRefClick(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCaution, &QPushButton::clicked, this, [this] { btnCautionClick(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnChart, &QPushButton::clicked, this, [this] { btnChartClick(); });

    resize(480, 380);
    FormCreate();
    DialogKit::Apply(this);
}

void TfrmTotal::FormCreate()
{
    WriteTraceLog(QStringLiteral("TfrmTotal.FormCreate begin"));
    const bool hasSearch = bool(searcher());
    btnTelRef->setVisible(hasSearch);
    btnCustRef->setVisible(hasSearch);
    chkPort->setVisible(FPortOffered);
    edtPort->setVisible(FPortOffered);
    chkPort->setChecked(false);
    edtPort->setEnabled(false);

    ProfileFile& ini = *gIni;
    auto flag = [&ini](const char* key) { return IsFlagOn(ini.ReadString(kSection, QLatin1String(key), QString())); };
    cbxValue->setCurrentIndex(qBound(0, ini.ReadInteger(kSection, QStringLiteral("VALUE"), 1), 1));
    cbxKubun->setCurrentIndex(qBound(0, ini.ReadInteger(kSection, QStringLiteral("KUBUN"), 0), 2));
    (flag("TEL_ALL") ? rbTelAll : rbTelOne)->setChecked(true);
    (flag("CUST_ALL") ? rbCustAll : rbCustOne)->setChecked(true);
    chkTelTop->setChecked(flag("TEL_TOP"));
    chkCustTop->setChecked(flag("CUST_TOP"));
    spnTelNum->setValue(ini.ReadInteger(kSection, QStringLiteral("TEL_NUM"), 10));
    spnCustNum->setValue(ini.ReadInteger(kSection, QStringLiteral("CUST_NUM"), 10));
    cbxValueChange();
    // Read after the summary rule: a list by customer stays possible when the file says so.
    cbxItem->setCurrentIndex(qBound(0, ini.ReadInteger(kSection, QStringLiteral("ITEM"), 0), 1));
    cbxItemChange();
    chkTelTopClick();
    chkCustTopClick();
}

void TfrmTotal::SetPeriod(const QDate& from, const QDate& to)
{
    dtpFrom->setDate(from);
    dtpTo->setDate(to);
}

void TfrmTotal::cbxValueChange()
{
    if (cbxValue->currentIndex() == 0) {
        cbxItem->setCurrentIndex(0);
        cbxItem->setEnabled(false);
        cbxItemChange();
        for (QCheckBox* top : {chkTelTop, chkCustTop}) {
            top->setChecked(false);
            top->setEnabled(false);
        }
        spnTelNum->setEnabled(false);
        spnCustNum->setEnabled(false);
        for (QWidget* w :
             std::initializer_list<QWidget*>{rbTelOne, edtTelNo, btnTelRef, rbCustOne, edtCustNo, btnCustRef})
            w->setEnabled(true);
    } else {
        cbxItem->setEnabled(true);
        for (QWidget* w : std::initializer_list<QWidget*>{chkTelTop, chkCustTop, spnTelNum, spnCustNum})
            w->setEnabled(true);
        rbTelAll->setChecked(true);
        rbCustAll->setChecked(true);
        for (QWidget* w :
             std::initializer_list<QWidget*>{rbTelOne, edtTelNo, btnTelRef, rbCustOne, edtCustNo, btnCustRef})
            w->setEnabled(false);
    }
}

void TfrmTotal::cbxItemChange()
{
    const bool byNumber = cbxItem->currentIndex() == 0;
    grpTel->setVisible(byNumber);
    grpTel->setEnabled(byNumber);
    grpCust->setVisible(!byNumber);
    grpCust->setEnabled(!byNumber);
    for (QWidget* w : std::initializer_list<QWidget*>{rbTelAll, rbTelOne, btnTelRef, spnTelNum})
        w->setEnabled(byNumber);
    for (QWidget* w : std::initializer_list<QWidget*>{rbCustAll, rbCustOne, btnCustRef, spnCustNum})
        w->setEnabled(!byNumber);
}

void TfrmTotal::chkTelTopClick()
{
    spnTelNum->setEnabled(chkTelTop->isChecked());
}

void TfrmTotal::chkCustTopClick()
{
    spnCustNum->setEnabled(chkCustTop->isChecked());
}

void TfrmTotal::chkPortClick()
{
    edtPort->setEnabled(chkPort->isChecked());
}

void TfrmTotal::edtTelNoChange()
{
    rbTelOne->setChecked(true);
    TTels tels;
    pnlTelName->setText(FDm.GetTels(edtTelNo->text(), tels) ? tels.Caller : QString());
}

void TfrmTotal::edtCustNoChange()
{
    rbCustOne->setChecked(true);
    QString name, kana;
    if (!FDm.GetCustInfo(edtCustNo->text(), name, kana)) {
        TTels tels;
        name = FDm.GetTels(edtCustNo->text(), tels) ? tels.Caller : QString();
    }
    pnlCustName->setText(name);
}

void TfrmTotal::btnTelRefClick()
{
    QString number;
    if (searcher() && searcher()(false, this, &number)) {
        edtTelNo->setText(number);
        edtTelNoChange();
    }
}

void TfrmTotal::btnCustRefClick()
{
    QString number;
    if (searcher() && searcher()(true, this, &number)) {
        edtCustNo->setText(number);
        edtCustNoChange();
    }
}

TTotalRequest TfrmTotal::Request() const
{
    TTotalRequest r;
    r.Summary = cbxValue->currentIndex();
    r.Item = cbxItem->currentIndex();
    r.DateFrom = dtpFrom->date();
    r.DateTo = dtpTo->date();
    r.Kubun = cbxKubun->currentIndex();
    r.TelSingle = rbTelOne->isChecked();
    r.TelNo = PhoneNumberForm::Apply(edtTelNo->text());
    r.TelTop = chkTelTop->isChecked();
    r.TelNum = spnTelNum->value();
    r.CustSingle = rbCustOne->isChecked();
    r.CustNo = PhoneNumberForm::Apply(edtCustNo->text());
    r.CustTop = chkCustTop->isChecked();
    r.CustNum = spnCustNum->value();
    r.PortOffered = FPortOffered;
    r.PortChecked = chkPort->isChecked();
    r.PortText = edtPort->text();
    return r;
}

QWidget* TfrmTotal::FocusTarget(TTotalInput input) const
{
    switch (input) {
    case TTotalInput::TelNo:
        return edtTelNo;
    case TTotalInput::TelNum:
        return spnTelNum;
    case TTotalInput::CustNo:
        return edtCustNo;
    case TTotalInput::CustNum:
        return spnCustNum;
    case TTotalInput::PortNo:
        return edtPort;
    case TTotalInput::None:
        break;
    }
    return nullptr;
}

void TfrmTotal::btnOkClick()
{
    WriteTraceLog(QStringLiteral("TfrmTotal.btnOkClick begin"));
    const TTotalRequest request = Request();
    TotalsReport totals(FDm);
    const TTotalSql sql = totals.GetSqlStr(request);
    if (!sql.Ok()) {
        MessageService::Warning(sql.Warning);
        if (QWidget* w = FocusTarget(sql.Focus))
            w->setFocus();
        return;
    }
    try {
        const BandReport report = totals.Run(request, sql);
        previewer()(report, this);
    } catch (const AppError& e) {
        ZuvaroApplication::HandleException(e);
    } catch (const std::exception& e) {
        ZuvaroApplication::HandleException(QString::fromUtf8(e.what()));
    }
    WriteTraceLog(QStringLiteral("TfrmTotal.btnOkClick end"));
}

void TfrmTotal::btnCautionClick()
{
    try {
        previewer()(CautionCalls::Run(FDm, dtpFrom->date(), dtpTo->date()), this);
    } catch (const AppError& e) {
        ZuvaroApplication::HandleException(e);
    } catch (const std::exception& e) {
        ZuvaroApplication::HandleException(QString::fromUtf8(e.what()));
    }
}

void TfrmTotal::btnChartClick()
{
    TChartRequest chart;
    QString warning = ChartSql::FromTotals(Request(), chart);
    QWidget* focus = edtPort;
    if (warning.isEmpty()) {
        warning = ChartSql::Build(chart).Warning;
        focus = dtpTo;
    }
    if (!warning.isEmpty()) {
        MessageService::Warning(warning);
        focus->setFocus();
        return;
    }
    TfrmChart window(FDm, chart, this);
    window.exec();
}

void TfrmTotal::WriteSettings()
{
    ProfileFile& ini = *gIni;
    ini.WriteInteger(kSection, QStringLiteral("VALUE"), cbxValue->currentIndex());
    ini.WriteInteger(kSection, QStringLiteral("ITEM"), cbxItem->currentIndex());
    ini.WriteInteger(kSection, QStringLiteral("KUBUN"), cbxKubun->currentIndex());
    ini.WriteString(kSection, QStringLiteral("TEL_ALL"), FlagText(rbTelAll->isChecked()));
    ini.WriteString(kSection, QStringLiteral("CUST_ALL"), FlagText(rbCustAll->isChecked()));
    ini.WriteString(kSection, QStringLiteral("TEL_TOP"), FlagText(chkTelTop->isChecked()));
    ini.WriteString(kSection, QStringLiteral("CUST_TOP"), FlagText(chkCustTop->isChecked()));
    ini.WriteInteger(kSection, QStringLiteral("TEL_NUM"), spnTelNum->value());
    ini.WriteInteger(kSection, QStringLiteral("CUST_NUM"), spnCustNum->value());
}

void TfrmTotal::done(int result)
{
    if (!FSettingsWritten) {
        FSettingsWritten = true;
        WriteSettings();
    }
    QDialog::done(result);
}
