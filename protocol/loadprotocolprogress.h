#pragma once

#include <QMetaObject>
#include <QString>
#include <QWidget>

#include <memory>

namespace Ui {
class LoadProtocolProgress;
}

// The window shown while protocols are read: the whole job above, the phase
// the reader is in below (the reader drives it by itself), and a cancel
// button that stops the reader and tells the caller.
class LoadProtocolProgress : public QWidget
{
    Q_OBJECT
public:
    explicit LoadProtocolProgress(QWidget* parent = nullptr);
    ~LoadProtocolProgress() override;
    Q_DISABLE_COPY_MOVE(LoadProtocolProgress)

    // Set by "Отмена" and never reset; the caller looks at it between steps.
    bool cancelled = false;

public slots:
    void initTotalProgress(int count);
    void initDetailProgress(int count, QString text = QString());
    void setTotalProgress(int value);
    void setDetailProgress(int value);
    void on_buttonCancel_clicked();

protected:
    // Closing the window by its title bar is a cancel too: the window is
    // modal only while it is shown.
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::LoadProtocolProgress> ui;
    QMetaObject::Connection startConnection;
    QMetaObject::Connection progressConnection;
};
