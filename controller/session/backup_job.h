#pragma once

#include "controller/session/crosspoint_file.h"
#include "controller/session/operation.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace controller {

class MatrixSession;

// A crosspoint backup or restore of the matrix the session talks to, at its current device
// address: the window's "Save crosspoints..." and "Restore crosspoints...", and matrixctl's dump
// and restore. One request is on the line at a time, each sent once the one before was answered
// (or its time ran out), so that the caller stays live and a slow line is not flooded.
class BackupJob {
public:
    struct Limits {
        // How long one switch of a restore waits for its echo before the next goes out.
        std::chrono::milliseconds switchAnswer{1000};
        // How long the read-back waits for the device's answer.
        std::chrono::milliseconds readBack{5000};
    };

    struct Result {
        enum class Status {
            // Save: the read-back named every output. Restore: the switches went out and the
            // state was read back; notTaken says which outputs do not show the file's input.
            Done,
            // Save: the read-back left outputs out (`read` holds those it named).
            Incomplete,
            NoAnswer,     // the read-back was not answered (nor, on a restore, the first switch)
            OtherAddress, // only another device answered (answeredBy)
            NotSent,      // no link is in use
            SizeChanged,  // the matrix size changed during a restore; `switched` went out
        };
        Status status = Status::Done;
        CrosspointFile read; // the state read back, numbered from 1
        std::vector<NotTaken> notTaken;
        std::size_t switched = 0; // restore: switches sent
        std::optional<std::uint8_t> answeredBy;
    };
    using Done = std::function<void(const Result&)>;

    BackupJob(MatrixSession& session, Limits limits);
    ~BackupJob();
    BackupJob(const BackupJob&) = delete;
    BackupJob& operator=(const BackupJob&) = delete;

    // Reads the state back. `done` runs once, later, on the session's thread.
    void save(Done done);
    // Switches every output `file` names to its input, then reads back and compares. The file
    // must be for the session's current size (the caller checks and says so); should the size
    // change on the way, the job stops.
    void restore(CrosspointFile file, Done done);
    bool running() const { return static_cast<bool>(m_done); }
    // For the next job; one under way keeps its own.
    void setLimits(Limits limits) { m_limits = limits; }

private:
    void switchNext();
    void readBack();
    void end(Result result);
    // Runs `then` with the operation's result unless this job is gone by then.
    void run(Operation op, std::function<void(const OperationResult&)> then);

    MatrixSession& m_session;
    Limits m_limits;
    Done m_done;
    bool m_restoring = false;
    CrosspointFile m_file;
    std::size_t m_next = 0;
    bool m_anyAnswer = false;
    std::shared_ptr<BackupJob*> m_self;
};

} // namespace controller
