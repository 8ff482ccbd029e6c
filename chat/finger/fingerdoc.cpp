#include "chat/finger/fingerdoc.h"

namespace tavern {

CFingerDoc::CFingerDoc(const QString &target, QObject *parent)
    : QObject(parent), m_target(target), m_title(QStringLiteral("Finger: %1").arg(target)), m_session(target)
{
    connect(&m_session, &CFingerSession::textReceived, this, &CFingerDoc::textReceived);
}

} // namespace tavern
