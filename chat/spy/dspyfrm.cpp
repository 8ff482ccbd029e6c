#include "chat/spy/dspyfrm.h"

#include <QCloseEvent>

namespace tavern {

CDspyFrm::CDspyFrm(CDwatchDoc *doc, CGameView *view, QWidget *parent)
    : QMdiSubWindow(parent), m_doc(doc), m_view(view)
{
    setAttribute(Qt::WA_DeleteOnClose);
    m_doc->setParent(this);
    setWidget(view);
    setWindowTitle(m_doc->Title());
    // The socket failed: the user has been told; the window goes once the signal is done.
    connect(view, &CGameView::closeRequested, this, &QWidget::close, Qt::QueuedConnection);
}

CDspyFrm::~CDspyFrm()
{
    closing();
}

void CDspyFrm::PlaceAtOrigin()
{
    setGeometry(0, 0, kWidth, kHeight);
}

void CDspyFrm::closeEvent(QCloseEvent *event)
{
    m_view->pollTimer().stop();
    closing();
    QMdiSubWindow::closeEvent(event);
}

void CDspyFrm::closing()
{
    if (m_closing)
        return;
    m_closing = true;
    if (onClosing)
        onClosing(m_doc);
}

} // namespace tavern
