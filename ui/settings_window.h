// "水印设置": the nine positions, the two margins and a preview drawn by the real compositor on
// the built-in sample photo. Changes take effect at once in the program-wide settings.
#pragma once

#include <QDialog>

#include "imaging/bmp_buffer.h"
#include "imaging/watermark_settings.h"

class QButtonGroup;
class QLabel;
class QPushButton;

namespace zendavo {

class MarginEdit;

class SettingsWindow : public QDialog {
    Q_OBJECT
public:
    // Always opens in its design state ("20", "10", 右下角) whatever `settings` hold.
    explicit SettingsWindow(WatermarkSettings& settings, QWidget* parent = nullptr);

    // The picture 图片框1 shows now.
    QImage shownPreview() const;

    void restoreDefaults();
    void preview();

private:
    void marginChanged(MarginEdit* edit, int WatermarkSettings::*margin);
    void positionClicked(int position);

    WatermarkSettings& settings_;
    BmpBuffer photo_;
    BmpBuffer watermark_;
    BmpBuffer previewImage_;
    QLabel* previewBox_;
    MarginEdit* editX_;
    MarginEdit* editY_;
    QButtonGroup* positions_;
};

}  // namespace zendavo
