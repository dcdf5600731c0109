// One of the ten watermark rows: check box, "…" button and the label holding the picture path.
#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QCheckBox;
class QPushButton;
class QWidget;

namespace zendavo {

class TextLabel;

inline constexpr int kSlotRows = 10;
inline constexpr const char* kPicturePlaceholder = "请选择水印文件";

class WatermarkSlot : public QObject {
    Q_OBJECT
public:
    // Creates the row's controls on `window` at their places for slot `number` (1 to 10).
    WatermarkSlot(int number, QWidget* window);

    int number() const { return number_; }
    bool checked() const;
    QString caption() const;
    // The chosen picture's path; nullopt while the label shows the placeholder.
    std::optional<QString> picture() const;
    void setCaption(const QString& path);
    // The check box and the "…" button take clicks or not (not during a run).
    void setChangesAllowed(bool allowed);

    QCheckBox* checkBox() const { return checkBox_; }
    QPushButton* selectButton() const { return selectButton_; }
    TextLabel* pathLabel() const { return pathLabel_; }

    // Design names of the row's controls: 选择框N, 按钮(N+2), 标签1 or 标签(N+1).
    static QString checkBoxName(int number);
    static QString buttonName(int number);
    static QString labelName(int number);

signals:
    void chooseRequested(int number);

private:
    void toggle();

    int number_;
    QCheckBox* checkBox_;
    QPushButton* selectButton_;
    TextLabel* pathLabel_;
    bool chosen_ = false;
};

}  // namespace zendavo
