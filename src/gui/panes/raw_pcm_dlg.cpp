// The raw PCM dialog. The rate rule itself (digits only, 2,000 to 192,000)
// lives with the raw import in the model, so the dialog and the file reader
// cannot disagree about it.
#include "gui/panes/raw_pcm_dlg.h"

#include <algorithm>

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/base/resource_ids.h"

namespace {

const char* const kRates[] = {"8,000",  "11,025", "22,050", "32,000",  "44,100",
                              "48,000", "88,200", "96,000", "176,400", "192,000"};
constexpr int kDefaultRateIndex = 4;  // "44,100"

QPushButton* MakeButton(const QString& text, int id, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(ControlName(id));
  return button;
}

}  // namespace

CRawPCMDlg::CRawPCMDlg(QWidget* parent)
    : QDialog(parent),
      m_rate(new QComboBox(this)),
      m_resolution(new QButtonGroup(this)),
      m_channels(new QButtonGroup(this)) {
  setWindowTitle(QStringLiteral("Raw PCM Selections:"));
  setObjectName(ControlName(IDD_RAW_PCM));

  m_rate->setObjectName(ControlName(IDC_RAW_RATE));
  m_rate->setEditable(true);
  m_rate->setInsertPolicy(QComboBox::NoInsert);
  for (const char* rate : kRates) m_rate->addItem(QString::fromLatin1(rate));
  auto* rateLabel = new QLabel(QStringLiteral("Sample Rate (Hz)"), this);
  rateLabel->setBuddy(m_rate);

  auto* resolutionBox = new QGroupBox(QStringLiteral("Resolution"), this);
  auto* resolutionLayout = new QVBoxLayout(resolutionBox);
  const struct {
    int id;
    const char* text;
  } resolutions[] = {{IDC_RAW_8BIT, "8-bit, PCM"},
                     {IDC_RAW_16BIT, "16-bit, PCM"},
                     {IDC_RAW_24BIT, "24-bit, PCM"},
                     {IDC_RAW_32BIT, "32-bit, PCM"}};
  for (int i = 0; i < 4; ++i) {
    auto* radio = new QRadioButton(QString::fromLatin1(resolutions[i].text), resolutionBox);
    radio->setObjectName(ControlName(resolutions[i].id));
    m_resolution->addButton(radio, i);
    resolutionLayout->addWidget(radio);
  }

  auto* channelBox = new QGroupBox(QStringLiteral("Channels"), this);
  auto* channelLayout = new QVBoxLayout(channelBox);
  const struct {
    int id;
    const char* text;
  } channels[] = {{IDC_RAW_MONO, "Mono"}, {IDC_RAW_STEREO, "Stereo"}};
  for (int i = 0; i < 2; ++i) {
    auto* radio = new QRadioButton(QString::fromLatin1(channels[i].text), channelBox);
    radio->setObjectName(ControlName(channels[i].id));
    m_channels->addButton(radio, i);
    channelLayout->addWidget(radio);
  }
  channelLayout->addStretch();

  QPushButton* ok = MakeButton(QStringLiteral("OK"), IDOK, this);
  QPushButton* cancel = MakeButton(QStringLiteral("Cancel"), IDCANCEL, this);
  QPushButton* byDefault = MakeButton(QStringLiteral("Default"), IDC_RAW_DEFAULT, this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &CRawPCMDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &CRawPCMDlg::reject);
  connect(byDefault, &QPushButton::clicked, this, &CRawPCMDlg::OnDefault);

  auto* rateRow = new QHBoxLayout;
  rateRow->addWidget(rateLabel);
  rateRow->addWidget(m_rate, 1);
  auto* groups = new QHBoxLayout;
  groups->addWidget(resolutionBox);
  groups->addWidget(channelBox);
  auto* left = new QVBoxLayout;
  left->addLayout(rateRow);
  left->addLayout(groups);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addSpacing(12);
  buttons->addWidget(byDefault);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);

  OnDefault();
}

void CRawPCMDlg::OnDefault() {
  m_rate->setCurrentIndex(kDefaultRateIndex);
  m_resolution->button(1)->setChecked(true);  // 16-bit
  m_channels->button(1)->setChecked(true);    // stereo
}

RawPCMAnswers CRawPCMDlg::Answers() const {
  RawPCMAnswers answers;
  answers.rateText = DigitsOf(m_rate->currentText().toStdString());
  // An unchecked group reads as its first button, as an empty radio group
  // always has.
  answers.bits = std::max(0, m_resolution->checkedId()) * 8 + 8;
  answers.channels = std::max(0, m_channels->checkedId()) + 1;
  return answers;
}

void CRawPCMDlg::accept() {
  const std::string digits = DigitsOf(m_rate->currentText().toStdString());
  if (!IsAllowedRawRate(RawRateFromText(digits))) {
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(),
                    QStringLiteral("Allowed sample rates range from 2,000 to 192,000 Hz"), QMessageBox::Ok,
                    this);
    box.exec();
    m_rate->setFocus();
    m_rate->lineEdit()->selectAll();
    return;
  }
  QDialog::accept();
}

bool CRawPCMDlg::Ask(RawPCMAnswers* answers) {
  if (exec() != Accepted) return false;
  *answers = Answers();
  return true;
}
