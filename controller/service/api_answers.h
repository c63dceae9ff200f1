#pragma once

#include "controller/session/backup_job.h"
#include "controller/session/operation.h"

#include <chrono>
#include <string>

namespace matrixd {

// A status and its JSON body.
struct ApiResponse {
    int status = 200;
    std::string body;
};

// What the words of an answer need to know of its matrix.
struct MatrixFacts {
    int ports = 16;
    int address = 1; // the address asked
    std::chrono::milliseconds timeout{1000};
};

// How each outcome of the device is answered, in matrixctl's words:
//   confirmed                 200 with what was done
//   answered otherwise        409 with what the device shows
//   no answer                 504 "no answer from the device within 1000 ms to …"
//   another device answered   502 "answer from device 5, not device 1, to …"
//   not sent (link down)      503 "not sent: the link to the device is down"
ApiResponse switchAnswer(const controller::OperationResult& result, int output, int input,
                         const MatrixFacts& facts);
ApiResponse readAnswer(const controller::OperationResult& result, const MatrixFacts& facts);
ApiResponse sceneSaveAnswer(const controller::OperationResult& result, int scene,
                            const MatrixFacts& facts);
// A load, then the read-back once the load was confirmed (null otherwise).
ApiResponse sceneLoadAnswer(const controller::OperationResult& load,
                            const controller::OperationResult* readBack, int scene,
                            const MatrixFacts& facts);
ApiResponse backupAnswer(const controller::BackupJob::Result& result, const MatrixFacts& facts);
ApiResponse restoreAnswer(const controller::BackupJob::Result& result, const MatrixFacts& facts);

// 503 for a request its matrix's queue has no room for.
ApiResponse busyAnswer(const std::string& matrix);

// The crosspoints of a read-back reply as a backup's JSON (matrixctl's dump).
std::string readBackJson(const controller::OperationResult& result, const MatrixFacts& facts);

} // namespace matrixd
