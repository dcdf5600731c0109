#include "ui/watermark_slot.h"

#include <QCheckBox>
#include <QPushButton>
#include <QWidget>

#include "ui/text_label.h"

namespace zendavo {

WatermarkSlot::WatermarkSlot(int number, QWidget* window) : QObject(window), number_(number)
{
    const int top = 38 + 35 * (number - 1);

    checkBox_ = new QCheckBox(QString::fromUtf8("水印") + QString::number(number), window);
    checkBox_->setObjectName(checkBoxName(number));
    checkBox_->setGeometry(258, top, 64, 24);
    checkBox_->setFocusPolicy(Qt::StrongFocus);

    pathLabel_ = new TextLabel(QString::fromUtf8(kPicturePlaceholder), window);
    pathLabel_->setObjectName(labelName(number));
    pathLabel_->setGeometry(314, top, 145, 24);
    pathLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pathLabel_->setWordWrap(false);
    pathLabel_->setEnabled(false);
    pathLabel_->setVisible(false);

    selectButton_ = new QPushButton(QString::fromUtf8("…"), window);
    selectButton_->setObjectName(buttonName(number));
    selectButton_->setGeometry(474, top + 5, 32, 16);
    selectButton_->setFocusPolicy(Qt::StrongFocus);
    selectButton_->setVisible(false);

    connect(checkBox_, &QCheckBox::clicked, this, &WatermarkSlot::toggle);
    connect(selectButton_, &QPushButton::clicked, this, [this] { emit chooseRequested(number_); });
}

bool WatermarkSlot::checked() const
{
    return checkBox_->isChecked();
}

QString WatermarkSlot::caption() const
{
    return pathLabel_->text();
}

std::optional<QString> WatermarkSlot::picture() const
{
    if (!chosen_) return std::nullopt;
    return pathLabel_->text();
}

void WatermarkSlot::setCaption(const QString& path)
{
    pathLabel_->setText(path);
    chosen_ = true;
}

void WatermarkSlot::setChangesAllowed(bool allowed)
{
    checkBox_->setEnabled(allowed);
    selectButton_->setEnabled(allowed);
}

void WatermarkSlot::toggle()
{
    const bool on = checkBox_->isChecked();
    pathLabel_->setVisible(on);
    selectButton_->setVisible(on);
}

QString WatermarkSlot::checkBoxName(int number)
{
    return QString::fromUtf8("选择框") + QString::number(number);
}

QString WatermarkSlot::buttonName(int number)
{
    return QString::fromUtf8("按钮") + QString::number(number + 2);
}

QString WatermarkSlot::labelName(int number)
{
    // 标签2 is the list's drop hint, so the labels skip it.
    return QString::fromUtf8("标签") + QString::number(number == 1 ? 1 : number + 1);
}

}  // namespace zendavo
