#pragma once
// The node program as a service runs it, in a child process of the test: its standard
// error into a log file, stopped with SIGTERM when the test lets it go. The test's
// target names the binary (VELKOR_NODE_BINARY).

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace velkor::node {

class NodeProcess {
 public:
  NodeProcess(const std::vector<std::string>& arguments, const std::filesystem::path& log) {
    std::vector<std::string> all{VELKOR_NODE_BINARY};
    all.insert(all.end(), arguments.begin(), arguments.end());
    pid_ = fork();
    if (pid_ == 0) {
      const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int in = open("/dev/null", O_RDONLY);
      if (out < 0 || in < 0 || dup2(out, STDERR_FILENO) < 0 || dup2(in, STDIN_FILENO) < 0) _exit(127);
      std::vector<char*> argv;
      for (std::string& argument : all) argv.push_back(argument.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~NodeProcess() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGTERM);
      waitFor(std::chrono::seconds(5));
    }
  }
  // The exit status, or -1 while it still runs after `limit`.
  int waitFor(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }
  bool started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
};

}  // namespace velkor::node
