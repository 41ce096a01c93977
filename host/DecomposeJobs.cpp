#include "host/DecomposeJobs.h"

#include "host/Interruption.h"
#include "host/WorkerMessage.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

using Outcome = CompoundDecomposition::Outcome;

Outcome Failed(const QString& why) {
    Outcome outcome;
    outcome.status = CompoundDecomposition::Status::Failed;
    outcome.message = why;
    return outcome;
}

// Whether two compounds load each other's addresses: each page searches like '%name%'.
bool Overlap(const std::optional<QString>& a, const std::optional<QString>& b) {
    return a && b && (a->contains(*b) || b->contains(*a));
}

QString HowItEnded(int status) {
    if (WIFSIGNALED(status))
        return QStringLiteral("killed by signal %1").arg(WTERMSIG(status));
    if (WIFEXITED(status))
        return QStringLiteral("exit status %1").arg(WEXITSTATUS(status));
    return QStringLiteral("status %1").arg(status);
}

} // namespace

DecomposeJobs::DecomposeJobs(QString program, QStringList workerArguments, int workers)
    : m_program(std::move(program)), m_arguments(std::move(workerArguments)),
      m_workers(static_cast<std::size_t>(std::max(workers, 1))) {}

DecomposeJobs::~DecomposeJobs() {
    // Normally every worker has ended; otherwise each finishes what it holds once its input ends.
    for (Worker& worker : m_workers) {
        Stop(worker);
        if (worker.output >= 0)
            ::close(worker.output);
        if (worker.pid > 0)
            ::waitpid(worker.pid, nullptr, 0);
    }
}

bool DecomposeJobs::Start(Worker& worker) {
    int toWorker[2];
    int fromWorker[2];
    if (::pipe2(toWorker, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(fromWorker, O_CLOEXEC) != 0) {
        ::close(toWorker[0]);
        ::close(toWorker[1]);
        return false;
    }
    std::vector<QByteArray> texts{m_program.toLocal8Bit()};
    for (const QString& argument : m_arguments)
        texts.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    const QByteArray program = m_program.toLocal8Bit();

    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only what is safe between fork and exec. Ctrl-C at the terminal is the run's to handle:
        // ignored here, and still ignored after exec.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGINT, &ignore, nullptr);
        if (::dup2(toWorker[0], STDIN_FILENO) < 0 || ::dup2(fromWorker[1], STDOUT_FILENO) < 0)
            ::_exit(127);
        ::execv(program.constData(), argv.data());
        ::_exit(127);
    }
    ::close(toWorker[0]);
    ::close(fromWorker[1]);
    if (pid < 0) {
        ::close(toWorker[1]);
        ::close(fromWorker[0]);
        return false;
    }
    worker.pid = pid;
    worker.input = toWorker[1];
    worker.output = fromWorker[0];
    return true;
}

bool DecomposeJobs::Send(Worker& worker, const QStringList& message) {
    const QByteArray line = WorkerMessage::Encode(message);
    qsizetype written = 0;
    while (worker.input >= 0 && written < line.size()) {
        const ssize_t n = ::write(worker.input, line.constData() + written, static_cast<std::size_t>(line.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false; // it ended: its output tells the rest
        written += n;
    }
    return worker.input >= 0;
}

void DecomposeJobs::Stop(Worker& worker) {
    if (worker.input >= 0)
        ::close(worker.input);
    worker.input = -1;
}

bool DecomposeJobs::Read(Worker& worker, std::vector<Compound>& compounds) {
    char chunk[65536];
    const ssize_t n = ::read(worker.output, chunk, sizeof chunk);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN;
    if (n == 0)
        return false;
    worker.pending.append(chunk, n);
    qsizetype end = 0;
    while ((end = worker.pending.indexOf('\n')) >= 0) {
        const QStringList message = WorkerMessage::Decode(worker.pending.left(end));
        worker.pending.remove(0, end + 1);
        const QString& word = message.value(0);
        if (word == u"ended") {
            worker.endedWhy = message.value(1);
            continue;
        }
        if (worker.compound < 0)
            continue;
        const std::size_t index = static_cast<std::size_t>(worker.compound);
        Compound& compound = compounds[index];
        if (word == u"located" && compound.stage == Stage::Locating) {
            compound.stage = Stage::Located;
            compound.name = message.size() > 1 ? std::optional<QString>(message[1]) : std::nullopt;
            compound.underWayWhenLocated.clear();
            for (const std::size_t earlier : m_underWay)
                if (earlier < index)
                    compound.underWayWhenLocated.push_back(earlier);
        } else if (word == u"outcome" && compound.stage == Stage::Running) {
            const std::optional<Outcome> outcome = WorkerMessage::OutcomeOf(message.mid(1));
            compound.outcome = outcome ? *outcome : Failed(QStringLiteral("the worker process answered what "
                                                                          "the run cannot read"));
            compound.stage = Stage::Done;
            m_underWay.erase(std::find(m_underWay.begin(), m_underWay.end(), index));
            worker.compound = -1;
        }
    }
    return true;
}

void DecomposeJobs::Ended(Worker& worker, std::vector<Compound>& compounds) {
    Stop(worker);
    ::close(worker.output);
    worker.output = -1;
    int status = 0;
    while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
    }
    worker.pid = -1;
    if (worker.compound < 0)
        return;
    const std::size_t index = static_cast<std::size_t>(worker.compound);
    worker.compound = -1;
    Compound& compound = compounds[index];
    compound.outcome =
        Failed(worker.endedWhy.isEmpty()
                   ? QStringLiteral("its worker process ended (%1) before it answered; what it wrote is in the "
                                    "database whole or not at all")
                         .arg(HowItEnded(status))
                   : QStringLiteral("its worker process could not run it: %1").arg(worker.endedWhy));
    compound.stage = Stage::Done;
    m_underWay.erase(std::find(m_underWay.begin(), m_underWay.end(), index));
}

void DecomposeJobs::Release(std::vector<Compound>& compounds) {
    for (std::size_t u = 0; u < m_underWay.size(); ++u) {
        const std::size_t index = m_underWay[u];
        Compound& compound = compounds[index];
        if (compound.stage == Stage::Locating)
            return; // what it searches for is not known yet: no later compound may go on
        if (compound.stage != Stage::Located)
            continue;
        bool wait = false;
        for (std::size_t e = 0; e < u && !wait; ++e)
            wait = Overlap(compounds[m_underWay[e]].name, compound.name);
        if (wait)
            continue;
        bool again = false;
        for (const std::size_t earlier : compound.underWayWhenLocated)
            again = again || Overlap(compounds[earlier].name, compound.name);
        for (Worker& worker : m_workers) {
            if (worker.compound != static_cast<long>(index))
                continue;
            compound.stage = again ? Stage::Locating : Stage::Running;
            Send(worker, {again ? QStringLiteral("again") : QStringLiteral("go")});
            if (again)
                return;
        }
    }
}

std::size_t DecomposeJobs::Run(const std::vector<CompoundList::Entry>& entries,
                               const std::function<Outcome(const CompoundList::Entry&)>& unnamed,
                               const std::function<void(std::size_t)>& waiting,
                               const std::function<void(std::size_t, const Outcome&)>& done) {
    std::vector<Compound> compounds(entries.size());
    std::size_t named = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].reference) {
            ++named;
        } else {
            compounds[i].outcome = unnamed(entries[i]);
            compounds[i].stage = Stage::Done;
        }
    }
    m_workers.resize(std::min(m_workers.size(), named));
    for (Worker& worker : m_workers)
        Start(worker);

    std::size_t next = 0;     // the next entry to hand out
    std::size_t reported = 0; // entries reported so far
    bool stopped = false;     // Ctrl-C: nothing more is handed out
    std::size_t announced = entries.size();
    while (true) {
        while (reported < entries.size() && compounds[reported].stage == Stage::Done) {
            done(reported, compounds[reported].outcome);
            ++reported;
        }
        if (reported < entries.size() && reported != announced && !stopped) {
            waiting(reported);
            announced = reported;
        }
        stopped = stopped || Interruption::Requested();

        bool anyAlive = false;
        for (Worker& worker : m_workers) {
            if (worker.pid <= 0)
                continue;
            anyAlive = true;
            if (worker.compound >= 0 || worker.input < 0)
                continue;
            while (next < entries.size() && compounds[next].stage != Stage::Waiting)
                ++next;
            if (stopped || next == entries.size()) {
                Stop(worker); // it ends once its input does
                continue;
            }
            worker.compound = static_cast<long>(next);
            compounds[next].stage = Stage::Locating;
            m_underWay.push_back(next);
            Send(worker, {QStringLiteral("compound"), entries[next].text});
            ++next;
        }
        if (!anyAlive)
            break;

        std::vector<pollfd> polled;
        std::vector<Worker*> owners;
        for (Worker& worker : m_workers)
            if (worker.pid > 0) {
                polled.push_back({worker.output, POLLIN, 0});
                owners.push_back(&worker);
            }
        if (::poll(polled.data(), polled.size(), -1) < 0)
            continue; // EINTR: Ctrl-C, looked at above
        for (std::size_t p = 0; p < polled.size(); ++p) {
            if (polled[p].revents == 0)
                continue;
            if (!Read(*owners[p], compounds))
                Ended(*owners[p], compounds);
        }
        Release(compounds);
    }

    // No worker left: what was never run is reported failed, unless Ctrl-C asked to stop.
    if (!stopped)
        for (Compound& compound : compounds)
            if (compound.stage != Stage::Done) {
                compound.outcome = Failed(QStringLiteral("not run: no worker process was left"));
                compound.stage = Stage::Done;
            }
    while (reported < entries.size() && compounds[reported].stage == Stage::Done) {
        done(reported, compounds[reported].outcome);
        ++reported;
    }
    return reported;
}
