#pragma once

#include "controller/service/access_policy.h"
#include "controller/service/api_call.h"

#include <QAbstractHttpServer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTcpSocket;

namespace matrixd {

class SharedMatrix;
class Answer;

// The HTTP side of matrixd: /api/v1 and the web panel's files. Every request comes through the
// request gate, one per connection; it is answered (at once, or once the device has) and the
// connection closed.
class ApiServer : public QAbstractHttpServer {
public:
    ApiServer(const std::vector<std::unique_ptr<SharedMatrix>>& matrices, AccessPolicy policy);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    SharedMatrix* find(const std::string& name) const;
    void run(const ApiCall& call, const std::shared_ptr<Answer>& answer);
    void servePanel(const std::string& method, const std::string& path,
                    const std::shared_ptr<Answer>& answer);

    const std::vector<std::unique_ptr<SharedMatrix>>& m_matrices;
    AccessPolicy m_policy;
};

} // namespace matrixd
