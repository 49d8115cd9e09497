// The box as a program of its own: it prints its terminal's path, answers
// there, and stops cleanly on SIGTERM.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kProgram = SUITE_BIN_DIR "/orvane-box-sim";

struct Child {
  pid_t pid = -1;
  int out = -1; // the program's standard output

  explicit Child(std::vector<std::string> args) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
      return;
    }
    pid = fork();
    if (pid == 0) {
      dup2(pipeFds[1], STDOUT_FILENO);
      ::close(pipeFds[0]);
      ::close(pipeFds[1]);
      std::vector<char *> argv;
      args.insert(args.begin(), kProgram);
      for (auto &a : args) {
        argv.push_back(a.data());
      }
      argv.push_back(nullptr);
      execv(kProgram.c_str(), argv.data());
      _exit(127);
    }
    ::close(pipeFds[1]);
    out = pipeFds[0];
  }
  ~Child() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (out >= 0) {
      ::close(out);
    }
  }
  std::string firstLine() const {
    std::string line;
    char c;
    pollfd p{out, POLLIN, 0};
    while (poll(&p, 1, 5000) > 0 && ::read(out, &c, 1) == 1 && c != '\n') {
      line.push_back(c);
    }
    return line;
  }
  int exitCode() {
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

std::string ask(int fd, char command) {
  if (::write(fd, &command, 1) != 1) {
    return {};
  }
  std::string got;
  char c;
  pollfd p{fd, POLLIN, 0};
  while (poll(&p, 1, 2000) > 0 && ::read(fd, &c, 1) == 1) {
    got.push_back(c);
    if (c == '>') {
      break;
    }
  }
  return got;
}

TEST(BoxProgram, AnswersOnThePrintedTerminalAndStopsOnRequest) {
  const auto image = std::filesystem::temp_directory_path() /
                     ("box-program-" + std::to_string(getpid()) + ".bin");
  Child box({"--chip", "AT89C2051", "--size", "2048", "--image", image.string()});
  const std::string path = box.firstLine();
  ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios tio{};
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  tcsetattr(fd, TCSANOW, &tio);
  EXPECT_EQ(ask(fd, 'b'), "b2048\n\r>");
  EXPECT_EQ(ask(fd, 'g'), "g\r\n\tAT89C2051\n\r2K Flash\n\r>");
  EXPECT_EQ(ask(fd, 'e'), "e\r\nErase Complete\r\n>");
  ::close(fd);
  kill(box.pid, SIGTERM);
  EXPECT_EQ(box.exitCode(), 0);
  EXPECT_EQ(std::filesystem::file_size(image), 2049u);
  std::filesystem::remove(image);
}

TEST(BoxProgram, RefusesArgumentsItDoesNotKnow) {
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"--size", "0"}, {"--size", "70000"}, {"--delay"}, {"--what"}}) {
    Child box(args);
    EXPECT_EQ(box.exitCode(), 2) << args[0];
  }
}

} // namespace
