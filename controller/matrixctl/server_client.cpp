#include "controller/matrixctl/server_client.h"

#include <QEventLoop>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTimer>

namespace matrixctl {

namespace {

std::string withoutTrailingSlash(std::string url) {
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url;
}

} // namespace

ServerClient::ServerClient(std::string baseUrl, std::string token)
    : m_baseUrl(withoutTrailingSlash(std::move(baseUrl))), m_token(std::move(token)) {
    m_manager.setProxy(QNetworkProxy::NoProxy);
}

ServerReply ServerClient::request(const char* method, const std::string& path,
                                  const std::string& body, std::chrono::milliseconds limit) {
    QNetworkRequest request(QUrl(QString::fromStdString(m_baseUrl + "/api/v1" + path)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    if (!m_token.empty())
        request.setRawHeader("Authorization", QByteArray::fromStdString("Bearer " + m_token));
    request.setTransferTimeout(static_cast<int>(limit.count()));
    QNetworkReply* reply =
        m_manager.sendCustomRequest(request, method, QByteArray::fromStdString(body));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    ServerReply answer;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.body = reply->readAll().toStdString();
    if (answer.status == 0)
        answer.error =
            "cannot reach matrixd at " + m_baseUrl + ": " + reply->errorString().toStdString();
    reply->deleteLater();
    return answer;
}

std::string eventsUrl(const std::string& baseUrl) {
    std::string url = withoutTrailingSlash(baseUrl);
    if (url.rfind("https://", 0) == 0)
        url = "wss://" + url.substr(8);
    else if (url.rfind("http://", 0) == 0)
        url = "ws://" + url.substr(7);
    return url + "/api/v1/events";
}

} // namespace matrixctl
