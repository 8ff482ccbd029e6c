#include "common/splashwindow.h"

#include <QDir>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

std::unique_ptr<CSplashThread> CSplashThread::showChatSplash(const QString &programDir)
{
    CDIB picture;
    if (!picture.load(QDir(programDir).filePath(QString::fromLatin1(ChatPictureFile))))
        return nullptr;
    auto splash = std::make_unique<CSplashThread>(picture, nullptr, false);
    splash->showCentred();
    return splash;
}

std::unique_ptr<CSplashThread> CSplashThread::showControlCenterSplash()
{
    CDIB picture, strip;
    if (!picture.loadResource(ControlCenterPictureId) || !strip.loadResource(ControlCenterStatusId))
        return nullptr;
    auto splash = std::make_unique<CSplashThread>(picture, &strip, true);
    splash->showCentred();
    return splash;
}

CSplashThread::CSplashThread(const CDIB &picture, const CDIB *statusStrip, bool draggable)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_picture(picture), m_hasStatusStrip(statusStrip != nullptr), m_draggable(draggable)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (statusStrip)
        m_statusStrip = *statusStrip;
    m_palette.create(m_picture);
    const int stripHeight = m_hasStatusStrip ? m_statusStrip.height() : 0;
    const int stripWidth = m_hasStatusStrip ? m_statusStrip.width() : 0;
    setFixedSize(std::max(m_picture.width(), stripWidth), m_picture.height() + stripHeight);
}

void CSplashThread::showCentred()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
    activateWindow();
}

void CSplashThread::requestClose()
{
    m_closed = true;
    close();
}

void CSplashThread::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    m_picture.draw(painter, 0, 0);
    if (m_hasStatusStrip)
        m_statusStrip.draw(painter, 0, m_picture.height());
}

void CSplashThread::mousePressEvent(QMouseEvent *event)
{
    if (m_draggable && event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - pos();
    }
    QWidget::mousePressEvent(event);
}

void CSplashThread::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_dragOffset);
    QWidget::mouseMoveEvent(event);
}

void CSplashThread::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}
