#include "platform/helpmanual.h"

#include "platform/launcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace ferry::help {

QString localManualPath()
{
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("manual.html"));
    return QFileInfo::exists(path) ? path : QString();
}

void openManual(const QString &onlineUrl, std::function<void(const QString &)> opened)
{
    auto *network = new QNetworkAccessManager;
    QNetworkRequest request{QUrl(onlineUrl)};
    request.setTransferTimeout(kReachTimeoutMs);
    QNetworkReply *reply = network->head(request);
    QObject::connect(reply, &QNetworkReply::finished, network, [network, reply, onlineUrl, opened] {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool reached = reply->error() == QNetworkReply::NoError && status >= 200 && status < 400;
        QString target = reached ? onlineUrl : localManualPath();
        if (target.isEmpty())
            target = onlineUrl; // nothing shipped: the browser may still know better
        if (!launcher::openUrl(target))
            target.clear();
        if (opened)
            opened(target);
        reply->deleteLater();
        network->deleteLater();
    });
}

} // namespace ferry::help
