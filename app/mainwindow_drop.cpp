// Protocol files, log folders and projects dropped on the window.
#include "app/mainwindow.h"

#include "app/projectactions.h"
#include "app/protocoldrop.h"

#include <QDropEvent>
#include <QMimeData>

namespace {

// Accepts the drag or drop when it asks for something the window can open.
// Only as a copy: a source that moved the files would delete them once they
// were dropped here.
ProtocolDrop acceptDrop(QDropEvent* event)
{
    ProtocolDrop drop;
    if (event->mimeData()->hasUrls() && (event->possibleActions() & Qt::CopyAction))
        drop = ProtocolDrop::fromUrls(event->mimeData()->urls());
    if (drop.kind == ProtocolDrop::Kind::Refused) {
        event->ignore();
        return drop;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return drop;
}

} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    acceptDrop(event);
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const ProtocolDrop drop = acceptDrop(event);
    if (drop.kind == ProtocolDrop::Kind::Refused)
        return;
    // The source of the drag waits until the drop returns (the Windows file
    // manager stays frozen meanwhile), so reading starts after it.
    QMetaObject::invokeMethod(
        this, [this, drop] { openDrop(drop); }, Qt::QueuedConnection);
}

void MainWindow::openDrop(const ProtocolDrop& drop)
{
    if (drop.kind == ProtocolDrop::Kind::Protocols)
        readProtocols(drop.paths);
    else if (drop.kind == ProtocolDrop::Kind::LogDirectory)
        setupLoger(drop.paths.first());
    else if (drop.kind == ProtocolDrop::Kind::Project)
        m_projects->open(drop.paths.first());
}
