#include "controller/session/backup_job.h"

#include "controller/session/matrix_session.h"

namespace controller {

BackupJob::BackupJob(MatrixSession& session, Limits limits)
    : m_session(session), m_limits(limits), m_self(std::make_shared<BackupJob*>(this)) {}

BackupJob::~BackupJob() {
    // Answers still on their way find nobody.
    *m_self = nullptr;
}

void BackupJob::run(Operation op, std::function<void(const OperationResult&)> then) {
    std::weak_ptr<BackupJob*> self = m_self;
    m_session.start(std::move(op), [self, then = std::move(then)](const OperationResult& result) {
        if (const auto job = self.lock(); job && *job)
            then(result);
    });
}

void BackupJob::save(Done done) {
    m_done = std::move(done);
    m_restoring = false;
    // A fresh read, whatever the caller's view shows: it may show a switch the device refused.
    readBack();
}

void BackupJob::restore(CrosspointFile file, Done done) {
    m_done = std::move(done);
    m_restoring = true;
    m_file = std::move(file);
    m_next = 0;
    m_anyAnswer = false;
    switchNext();
}

void BackupJob::switchNext() {
    if (m_file.size != m_session.portCount()) {
        // The file's numbers mean other ports now.
        Result result;
        result.status = Result::Status::SizeChanged;
        result.switched = m_next;
        return end(std::move(result));
    }
    if (m_next >= m_file.crosspoints.size())
        return readBack();
    const NumberedCrosspoint c = m_file.crosspoints[m_next++];
    run(Operation::switchInput(c.output - 1, c.input - 1).within(m_limits.switchAnswer),
        [this](const OperationResult& answer) {
            Result result;
            result.switched = m_next;
            result.answeredBy = answer.answeredBy;
            switch (answer.outcome) {
            case Outcome::NotSent:
                result.status = Result::Status::NotSent;
                return end(std::move(result));
            case Outcome::OtherAddress:
                if (m_anyAnswer)
                    break;
                result.status = Result::Status::OtherAddress;
                return end(std::move(result));
            case Outcome::NoAnswer:
                // A device that does not answer the first switch is not there: the rest would
                // only take the time limit each. Later, one missed echo is left to the read-back.
                if (m_anyAnswer)
                    break;
                result.status = Result::Status::NoAnswer;
                return end(std::move(result));
            case Outcome::Confirmed:
            case Outcome::AnsweredOtherwise:
                m_anyAnswer = true;
                break;
            }
            switchNext();
        });
}

void BackupJob::readBack() {
    run(Operation::readState().within(m_limits.readBack), [this](const OperationResult& answer) {
        Result result;
        result.switched = m_next;
        result.answeredBy = answer.answeredBy;
        switch (answer.outcome) {
        case Outcome::NotSent:
            result.status = Result::Status::NotSent;
            return end(std::move(result));
        case Outcome::NoAnswer:
            result.status = Result::Status::NoAnswer;
            return end(std::move(result));
        case Outcome::OtherAddress:
            result.status = Result::Status::OtherAddress;
            return end(std::move(result));
        case Outcome::Confirmed:
        case Outcome::AnsweredOtherwise:
            break;
        }
        const int size = m_restoring ? m_file.size : m_session.portCount();
        result.read = CrosspointFile{size, m_session.deviceAddress(), {}};
        for (const Crosspoint& p : answer.crosspoints)
            result.read.crosspoints.push_back({p.output + 1, p.input + 1});
        if (m_restoring) {
            result.notTaken = crosspointsNotTaken(m_file, result.read);
        } else if (static_cast<int>(result.read.crosspoints.size()) != size) {
            result.status = Result::Status::Incomplete;
        }
        end(std::move(result));
    });
}

void BackupJob::end(Result result) {
    // Idle before the caller hears of it: it may start the next job from its callback.
    Done done = std::move(m_done);
    m_done = nullptr;
    done(result);
}

} // namespace controller
