#include "ui/settings_window.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "imaging/compositor.h"
#include "imaging/number_text.h"
#include "ui/builtin_pictures.h"
#include "ui/margin_edit.h"
#include "ui/text_label.h"
#include "ui/window_frame.h"

namespace zendavo {

namespace {

struct RadioDesign {
    const char* caption;
    int left;
    int top;
};

constexpr RadioDesign kRadios[9] = {
    {"左上角", 247, 487}, {"上居中", 320, 487}, {"右上角", 396, 487},
    {"左居中", 247, 524}, {"居  中", 320, 524}, {"右居中", 396, 524},
    {"左下角", 247, 558}, {"下居中", 320, 557}, {"右下角", 396, 558},
};

int numberIn(const QLineEdit* edit)
{
    return textToInt(edit->text().toStdString());
}

TextLabel* addLabel(QWidget* parent, const char* name, const char* text, QRect geometry)
{
    auto* label = new TextLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

}  // namespace

SettingsWindow::SettingsWindow(WatermarkSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings), photo_(samplePhoto()), watermark_(sampleWatermark())
{
    setWindowTitle(QString::fromUtf8("水印设置"));
    setWindowIcon(programIcon());
    makeFixedWindow(*this, QSize(650, 622), QSize(650, 650));

    previewBox_ = new QLabel(this);
    previewBox_->setObjectName(QString::fromUtf8("图片框1"));
    previewBox_->setGeometry(0, 0, 650, 450);
    previewBox_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    previewBox_->setPixmap(QPixmap::fromImage(imageOfBmp(photo_)));

    auto* markBox = new QLabel(this);
    markBox->setObjectName(QString::fromUtf8("图片框2"));
    markBox->setGeometry(31, 470, 161, 50);
    markBox->setAlignment(Qt::AlignCenter);  // the 131 x 47 picture centred, unscaled
    markBox->setPixmap(QPixmap::fromImage(imageOfBmp(watermark_)));

    fitTextToWidth(*addLabel(this, "标签1", "左右边距（0-1000）", QRect(40, 520, 104, 24)));
    editX_ = new MarginEdit(QStringLiteral("20"), this);
    editX_->setObjectName(QString::fromUtf8("编辑框1"));
    editX_->setGeometry(144, 520, 48, 24);
    fitTextToWidth(*addLabel(this, "标签2", "上下边距（0-1000）", QRect(40, 559, 104, 24)));
    editY_ = new MarginEdit(QStringLiteral("10"), this);
    editY_->setObjectName(QString::fromUtf8("编辑框2"));
    editY_->setGeometry(144, 559, 48, 24);

    positions_ = new QButtonGroup(this);
    positions_->setExclusive(true);
    for (int n = 1; n <= 9; ++n) {
        const RadioDesign& d = kRadios[n - 1];
        auto* radio = new QRadioButton(QString::fromUtf8(d.caption), this);
        radio->setObjectName(QString::fromUtf8("单选框") + QString::number(n));
        radio->setGeometry(d.left, d.top, 64, 24);
        positions_->addButton(radio, n);
    }
    positions_->button(9)->setChecked(true);

    auto* restore = new QPushButton(QString::fromUtf8("恢复默认"), this);
    restore->setObjectName(QString::fromUtf8("按钮2"));
    restore->setGeometry(496, 484, 120, 32);
    restore->setAutoDefault(false);
    auto* show = new QPushButton(QString::fromUtf8("预览并保存"), this);
    show->setObjectName(QString::fromUtf8("按钮1"));
    show->setGeometry(496, 525, 120, 56);
    show->setAutoDefault(false);

    TextLabel* notice =
        addLabel(this, "标签3", "本版本暂只支持水印扣白，更多功能期待后续更新...", QRect(0, 598, 648, 24));
    notice->setAlignment(Qt::AlignCenter);
    notice->setTextColour(QColor(0, 0, 255));

    // Connected last, so building the design state changes no setting.
    connect(editX_, &QLineEdit::textChanged, this, [this] { marginChanged(editX_, &WatermarkSettings::marginX); });
    connect(editY_, &QLineEdit::textChanged, this, [this] { marginChanged(editY_, &WatermarkSettings::marginY); });
    connect(positions_, &QButtonGroup::idClicked, this, &SettingsWindow::positionClicked);
    connect(restore, &QPushButton::clicked, this, &SettingsWindow::restoreDefaults);
    connect(show, &QPushButton::clicked, this, &SettingsWindow::preview);
}

QImage SettingsWindow::shownPreview() const
{
    return previewBox_->pixmap().toImage();
}

void SettingsWindow::marginChanged(MarginEdit* edit, int WatermarkSettings::*margin)
{
    // Each replacement changes the text again and comes back here with an in-range number.
    if (numberIn(edit) < 0) edit->setText(QStringLiteral("0"));
    if (numberIn(edit) > 1000) edit->setText(QStringLiteral("1000"));
    settings_.*margin = numberIn(edit);
}

void SettingsWindow::positionClicked(int position)
{
    if (!positions_->button(position)->isChecked()) return;
    settings_.marginX = numberIn(editX_);
    settings_.marginY = numberIn(editY_);
    settings_.position = position;
}

void SettingsWindow::restoreDefaults()
{
    editX_->setText(QStringLiteral("20"));
    editY_->setText(QStringLiteral("10"));
    positions_->button(9)->setChecked(true);
    settings_ = WatermarkSettings{9, 20, 10};
    preview();
}

void SettingsWindow::preview()
{
    previewImage_ = composite(photo_, watermark_, settings_);
    previewBox_->setPixmap(QPixmap::fromImage(imageOfBmp(previewImage_)));
}

}  // namespace zendavo
