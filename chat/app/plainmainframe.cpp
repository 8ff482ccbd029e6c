#include "chat/app/plainmainframe.h"

#include "chat/core/chatdocs.h"
#include "chat/core/tavernwapp.h"
#include "chat/windows/messageview.h"
#include "common/splashwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

CPlainMainFrame::CPlainMainFrame() : m_mdi(new QMdiArea(this))
{
    setWindowTitle(QStringLiteral("The Hearthside 97"));
    setCentralWidget(m_mdi);
    resize(640, 480);
    m_timer.setInterval(kTimerMs);
}

CPlainMainFrame::~CPlainMainFrame() = default;

void CPlainMainFrame::Attach(CTavernwApp *app)
{
    m_app = app;
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_app)
            m_app->OnTimerTick();
    });
    m_timer.start();
}

void CPlainMainFrame::SetSplash(std::unique_ptr<CSplashThread> splash)
{
    m_splash = std::move(splash);
}

void CPlainMainFrame::BringToFront()
{
    showNormal();
    raise();
    activateWindow();
}

bool CPlainMainFrame::CreateWindowFor(CChatDocBase *doc)
{
    auto *view = new tavern::CMessageView(tavern::MessageViewHost{
        [this] {
            tavern::MessageViewSettings s;
            if (m_app) {
                s.background = m_app->m_Settings.Background;
                s.url = m_app->m_Settings.URL;
                s.fontName = m_app->m_Settings.FontName;
                s.fontSize = m_app->m_Settings.FontSize;
                s.autoLog = m_app->m_Settings.AutoLog;
            }
            return s;
        },
        [doc] { return doc->Name(); },
        {}, {}, {}, {}, {}});
    connect(doc, &CChatDocBase::lineAdded, view, &tavern::CMessageView::addLine);
    QMdiSubWindow *sub = m_mdi->addSubWindow(view);
    sub->setWindowTitle(doc->Title().isEmpty() ? doc->Name() : doc->Title());
    connect(doc, &CChatDocBase::titleChanged, sub, &QWidget::setWindowTitle);
    m_windows.insert(doc, sub);
    sub->show();
    return true;
}

void CPlainMainFrame::CloseWindowFor(CChatDocBase *doc)
{
    if (QPointer<QMdiSubWindow> sub = m_windows.take(doc))
        sub->deleteLater();
}

QString CPlainMainFrame::SelectedTabName() const
{
    QMdiSubWindow *active = m_mdi->activeSubWindow();
    for (auto it = m_windows.constBegin(); it != m_windows.constEnd(); ++it)
        if (it.value() == active)
            return it.key()->Name();
    return QString();
}

void CPlainMainFrame::Beep()
{
    QApplication::beep();
}

void CPlainMainFrame::ShowChannelList(const QStringList &)
{
}

void CPlainMainFrame::ApplyFont()
{
    for (const QPointer<QMdiSubWindow> &sub : std::as_const(m_windows))
        if (sub)
            if (auto *view = qobject_cast<tavern::CMessageView *>(sub->widget()))
                view->ApplyFont();
}

void CPlainMainFrame::EndSplash()
{
    if (m_splash)
        m_splash->requestClose();
    m_splash.reset();
    BringToFront();
}

void CPlainMainFrame::closeEvent(QCloseEvent *event)
{
    if (m_app)
        m_app->SetQuitting(true);
    m_timer.stop();
    event->accept();
    emit closing();
}
