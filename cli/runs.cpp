#include "runs.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <iterator>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace {

// Writes straight to the printer.
class DirectOutput final : public PathOutput {
 public:
  explicit DirectOutput(Printer& printer) : printer_(printer) {}
  void Write(const char* bytes, std::size_t count) override { printer_.Out(bytes, count); }
  void BeginReport() override { printer_.BeginReport(); }

 private:
  Printer& printer_;
};

// Prints the output of path; a folder's files follow it.
int PrintPath(const PathName& path, Mode mode, bool folderAllowed, Printer& printer) {
  DirectOutput output(printer);
  Outcome outcome = OutputOf(path, mode, folderAllowed, output);
  printer.Message(output.message);
  if (outcome != Outcome::IsFolder) return outcome == Outcome::CannotOpen ? 1 : 0;
  std::vector<PathName> files;
  std::string message;
  int status = FilesOfFolder(path, files, message) ? 0 : 1;
  printer.Message(message);
  for (const PathName& file : files) status |= PrintPath(file, mode, false, printer);
  return status;
}

// Paths read from the source and not yet taken by a thread: the source is
// read no further ahead than this.
constexpr std::size_t WaitingPathsLimit = 1024;
// Buffers up to this size are kept for reuse, as many as reports may wait.
constexpr std::size_t SpareBufferBytes = 64 * 1024;

// One path's output on its way, in the order of printing.
struct Job {
  Job(PathName name, bool allowed) : path(std::move(name)), folderAllowed(allowed) {}
  PathName path;
  bool folderAllowed;
  bool taken = false, done = false;
  bool live = false;          // its thread writes to standard output itself
  bool beginsReport = false;  // a text report begins before the bytes held
  std::string held;           // standard output made ahead of its turn
  std::string message;        // for standard error, once the output is out
  int status = 0;
};

// The paths' outputs are made on several threads and printed in order, each
// by the thread that finishes the one before, so that nothing waits for a
// printing thread. Threads are started as paths wait for them: one file
// given costs no thread. The main thread reads the lists of paths, if any,
// then makes outputs too. Everything below is guarded by lock_.
class Threads {
 public:
  Threads(PathSource& source, Mode mode, unsigned count)
      : source_(source), mode_(mode), printer_(mode), window_(count * HeldReportsPerThread),
        next_(jobs_.end()),
        mainWorks_(!source.ReadsLists()), helpers_(mainWorks_ ? count - 1 : count) {}
  int Run();

 private:
  friend class HeldOutput;
  using JobAt = std::list<Job>::iterator;

  void Work();
  bool CanTake() const {
    return next_ != jobs_.end() && (held_ < window_ || next_ == jobs_.begin());
  }
  bool Finished() const { return sourceDone_ && next_ == jobs_.end() && expanding_ == 0; }
  void Append(Job job);
  void PrintReady(std::unique_lock<std::mutex>& hold);
  void StartThreads(std::size_t wanted);

  PathSource& source_;
  const Mode mode_;
  Printer printer_;
  const unsigned window_;

  std::mutex lock_;
  std::condition_variable workReady_, wentLive_, roomAhead_;
  std::list<Job> jobs_;  // printed ones leave from the front
  JobAt next_;           // the first not taken
  const bool mainWorks_;
  std::size_t helpers_;  // threads to start at most
  std::vector<std::thread> threads_;
  unsigned held_ = 0;    // taken and not yet printed
  std::size_t waiting_ = 0;   // not yet taken
  unsigned expanding_ = 0;    // taken paths that may turn out to be folders
  unsigned idle_ = 0;         // threads waiting for a path
  bool sourceDone_ = false, sourceWaiting_ = false, printing_ = false;
  // Buffers of printed jobs, kept for the jobs to come: most reports are a
  // few KB, made by one thread and printed by another.
  std::vector<std::string> spare_;
  std::vector<std::string> returned_;  // only the printing thread uses it
  int status_ = 0;
};

// Holds a job's standard output until the job's turn comes (up to
// HeldOutputBytes; then its thread waits for that turn), and writes it
// straight out from then on.
class HeldOutput final : public PathOutput {
 public:
  HeldOutput(Threads& threads, Job& job) : threads_(threads), job_(job) {}

  void Write(const char* bytes, std::size_t count) override {
    std::unique_lock<std::mutex> hold(threads_.lock_);
    if (!job_.live) {
      std::size_t room = HeldOutputBytes - std::min(HeldOutputBytes, job_.held.size());
      std::size_t now = std::min(count, room);
      if (job_.held.empty() && job_.held.capacity() < now && !threads_.spare_.empty()) {
        job_.held.swap(threads_.spare_.back());
        threads_.spare_.pop_back();
      }
      job_.held.append(bytes, now);
      bytes += now;
      count -= now;
      if (count == 0) return;
      // Full: this is the job being printed (which goes live now), or one
      // that waits for its turn.
      threads_.PrintReady(hold);
      threads_.wentLive_.wait(hold, [this] { return job_.live; });
    }
    hold.unlock();
    threads_.printer_.Out(bytes, count);
  }

  void BeginReport() override {
    std::unique_lock<std::mutex> hold(threads_.lock_);
    if (!job_.live) {
      job_.beginsReport = true;
      return;
    }
    hold.unlock();
    threads_.printer_.BeginReport();
  }

 private:
  Threads& threads_;
  Job& job_;
};

// Starts threads, up to wanted in all (a thread that cannot be started
// leaves the work to those there are).
void Threads::StartThreads(std::size_t wanted) {
  while (threads_.size() < helpers_ && threads_.size() < wanted) {
    try {
      threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      helpers_ = threads_.size();
    }
  }
}

void Threads::Append(Job job) {
  jobs_.push_back(std::move(job));
  if (jobs_.back().taken) return;
  ++waiting_;
  if (next_ == jobs_.end()) next_ = std::prev(jobs_.end());
  if (idle_ != 0) workReady_.notify_one();
}

// Prints the jobs at the front that are done and what the first one not
// done has held so far, then lets that one write for itself. One thread at
// a time prints; it takes as many jobs at once as are ready, and writes and
// frees them with the lock released.
void Threads::PrintReady(std::unique_lock<std::mutex>& hold) {
  if (printing_) return;
  printing_ = true;
  for (;;) {
    std::list<Job> ready;
    while (!jobs_.empty() && jobs_.front().done) {
      status_ |= jobs_.front().status;
      ready.splice(ready.end(), jobs_, jobs_.begin());
      // Threads held back by the window go on once half of it is printed:
      // woken for each job, they would take turns instead of working.
      if (--held_ == window_ / 2 && idle_ != 0) workReady_.notify_all();
    }
    Job* first = jobs_.empty() ? nullptr : &jobs_.front();
    bool begins = false;
    std::string begun;
    if (first && !first->live) {
      begins = std::exchange(first->beginsReport, false);
      begun.swap(first->held);
    }
    if (ready.empty() && !begins && begun.empty()) {
      if (first && !first->live) {
        first->live = true;
        wentLive_.notify_all();
        if (!first->taken && idle_ != 0) workReady_.notify_one();
      }
      break;
    }
    hold.unlock();
    std::vector<std::string>& spare = returned_;
    for (Job& job : ready) {
      if (job.beginsReport) printer_.BeginReport();
      printer_.Out(job.held.data(), job.held.size());
      printer_.Message(job.message);
      if (job.held.capacity() != 0 && job.held.capacity() <= SpareBufferBytes) {
        job.held.clear();
        spare.push_back(std::move(job.held));
      }
    }
    if (begins) printer_.BeginReport();
    printer_.Out(begun.data(), begun.size());
    ready.clear();
    hold.lock();
    for (std::string& buffer : spare)
      if (spare_.size() < window_) spare_.push_back(std::move(buffer));
    spare.clear();
  }
  printing_ = false;
}

void Threads::Work() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    ++idle_;
    workReady_.wait(hold, [this] { return CanTake() || Finished(); });
    --idle_;
    if (!CanTake()) {
      workReady_.notify_all();  // the others finish too
      return;
    }
    JobAt job = next_;
    job->taken = true;
    ++held_;
    --waiting_;
    if (job->folderAllowed) ++expanding_;
    do ++next_;
    while (next_ != jobs_.end() && next_->taken);
    if (sourceWaiting_ && waiting_ < WaitingPathsLimit / 2) roomAhead_.notify_one();
    if (waiting_ > idle_) StartThreads(threads_.size() + 1);
    hold.unlock();

    HeldOutput output(*this, *job);
    Outcome outcome = OutputOf(job->path, mode_, job->folderAllowed, output);
    std::vector<PathName> files;
    int status = outcome == Outcome::CannotOpen ? 1 : 0;
    if (outcome == Outcome::IsFolder && !FilesOfFolder(job->path, files, output.message))
      status = 1;
    std::list<Job> found;
    for (PathName& file : files) found.emplace_back(std::move(file), false);

    hold.lock();
    job->message = std::move(output.message);
    job->status = status;
    job->done = true;
    if (job->folderAllowed) --expanding_;
    if (!found.empty()) {
      // The folder's files follow it. They are the next to take unless a
      // job before the folder is still waiting (the files of an earlier
      // folder): the jobs taken and not printed are few, so the look back
      // is short.
      bool earlierWaiting = false;
      for (JobAt before = job; before != jobs_.begin() && !earlierWaiting;)
        earlierWaiting = !(--before)->taken;
      waiting_ += found.size();
      jobs_.splice(std::next(job), found);
      if (!earlierWaiting) next_ = std::next(job);
      workReady_.notify_all();
    }
    if (job == jobs_.begin()) PrintReady(hold);
    if (Finished()) workReady_.notify_all();
  }
}

int Threads::Run() {
  PathName path;
  std::string message;
  for (;;) {
    PathSource::Result result = source_.Next(path, message);
    std::unique_lock<std::mutex> hold(lock_);
    if (result == PathSource::End) {
      sourceDone_ = true;
      workReady_.notify_all();
      break;
    }
    if (result == PathSource::Failure) {
      // Its message comes in the order of the paths.
      Job failure(PathName(), false);
      failure.taken = failure.done = true;
      failure.message = std::move(message);
      failure.status = 1;
      ++held_;
      Append(std::move(failure));
      PrintReady(hold);
      continue;
    }
    Append(Job(std::move(path), true));
    // The paths of the command line are all taken in at once; those of a
    // list as far ahead as the limit, and threads start as they wait.
    if (mainWorks_) continue;
    StartThreads(waiting_);
    if (threads_.empty()) continue;  // none could start: the main thread does it all
    sourceWaiting_ = true;
    roomAhead_.wait(hold, [this] { return waiting_ < WaitingPathsLimit; });
    sourceWaiting_ = false;
  }
  // The main thread works too until the work runs out; no thread is
  // started after that.
  Work();
  std::vector<std::thread> started;
  {
    std::lock_guard<std::mutex> hold(lock_);
    started.swap(threads_);
  }
  for (std::thread& thread : started) thread.join();
  return printer_.Finish(status_);
}

}  // namespace

int RunInOrder(PathSource& source, Mode mode) {
  Printer printer(mode);
  int status = 0;
  PathName path;
  std::string message;
  for (;;) {
    PathSource::Result result = source.Next(path, message);
    if (result == PathSource::End) break;
    if (result == PathSource::Failure) {
      printer.Message(message);
      status = 1;
      continue;
    }
    status |= PrintPath(path, mode, true, printer);
  }
  return printer.Finish(status);
}

int RunOnThreads(PathSource& source, Mode mode, unsigned threads) {
  return Threads(source, mode, threads).Run();
}
