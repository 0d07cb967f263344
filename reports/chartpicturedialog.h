#pragma once

#include "reports/chartpicturestyle.h"

#include <QDialog>

class QComboBox;
class QSpinBox;

// Asks how a chart picture is to be drawn: layout, theme, size and resolution.
class ChartPictureDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ChartPictureDialog(const ChartPictureOptions& initial, QWidget* parent = nullptr);

    ChartPictureOptions options() const;

private:
    QComboBox* cbLayout;
    QComboBox* cbTheme;
    QSpinBox* sbWidth;
    QSpinBox* sbHeight;
    QSpinBox* sbDpi;
};
