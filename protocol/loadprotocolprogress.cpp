#include "protocol/loadprotocolprogress.h"

#include "protocol/streamloger.h"

#include "ui_loadprotocolprogress.h"

#include <QCloseEvent>

LoadProtocolProgress::LoadProtocolProgress(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::LoadProtocolProgress>())
{
    ui->setupUi(this);
    StreamLoger* loger = StreamLoger::instance();
    startConnection =
        connect(loger, &StreamLoger::startLoad, this, &LoadProtocolProgress::initDetailProgress);
    progressConnection =
        connect(loger, &StreamLoger::progressLoad, this, &LoadProtocolProgress::setDetailProgress);
}

LoadProtocolProgress::~LoadProtocolProgress()
{
    disconnect(startConnection);
    disconnect(progressConnection);
}

void LoadProtocolProgress::initTotalProgress(int count)
{
    ui->pbTotal->setRange(0, count);
}

void LoadProtocolProgress::initDetailProgress(int count, QString text)
{
    ui->labelDetail->setText(text);
    ui->pbDetail->setRange(0, count);
}

void LoadProtocolProgress::setTotalProgress(int value)
{
    ui->pbTotal->setValue(value);
}

void LoadProtocolProgress::setDetailProgress(int value)
{
    ui->pbDetail->setValue(value);
}

void LoadProtocolProgress::on_buttonCancel_clicked()
{
    StreamLoger::cancelLoad();
    cancelled = true;
}

void LoadProtocolProgress::closeEvent(QCloseEvent* event)
{
    on_buttonCancel_clicked();
    QWidget::closeEvent(event);
}
