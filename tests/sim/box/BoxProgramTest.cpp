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

// Where and with what data folder the program runs; empty: as the test.
struct Place {
  std::string cwd;
  std::string dataHome;
};

struct Child {
  pid_t pid = -1;
  int out = -1; // the program's standard output

  explicit Child(std::vector<std::string> args, const Place &place = {}) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
      return;
    }
    pid = fork();
    if (pid == 0) {
      if ((!place.cwd.empty() && chdir(place.cwd.c_str()) != 0) ||
          (!place.dataHome.empty() && setenv("XDG_DATA_HOME", place.dataHome.c_str(), 1) != 0)) {
        _exit(126);
      }
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
  std::string allOutput() const {
    std::string text;
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(out, buffer, sizeof buffer)) > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
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

// The box's terminal, opened as the loader would: raw bytes both ways.
int openRaw(const std::string &path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd >= 0) {
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
  }
  return fd;
}

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
  const auto image =
      std::filesystem::temp_directory_path() / ("box-program-" + std::to_string(getpid()) + ".bin");
  Child box({"--chip", "AT89C2051", "--size", "2048", "--image", image.string()});
  const std::string path = box.firstLine();
  ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  const int fd = openRaw(path);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(ask(fd, 'b'), "b2048\n\r>");
  EXPECT_EQ(ask(fd, 'g'), "g\r\n\tAT89C2051\n\r2K Flash\n\r>");
  EXPECT_EQ(ask(fd, 'e'), "e\r\nErase Complete\r\n>");
  ::close(fd);
  kill(box.pid, SIGTERM);
  EXPECT_EQ(box.exitCode(), 0);
  EXPECT_EQ(std::filesystem::file_size(image), 2049u);
  std::filesystem::remove(image);
}

// A folder of its own under the system's temporary folder, removed at the end.
struct ScratchDir {
  std::filesystem::path path;
  explicit ScratchDir(const std::string &name)
      : path(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()))) {
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~ScratchDir() { std::filesystem::remove_all(path); }
};

TEST(BoxProgram, HelpDescribesTheOptionsAndSucceeds) {
  Child box({"--help"});
  const std::string text = box.allOutput();
  EXPECT_EQ(box.exitCode(), 0);
  for (const char *option : {"--chip", "--size", "--image", "--drop-after"}) {
    EXPECT_NE(text.find(option), std::string::npos) << option << " missing from:\n" << text;
  }
}

TEST(BoxProgram, KeepsItsChipInTheUsersDataFolderNotTheCurrentOne) {
  const ScratchDir work("box-cwd");
  const ScratchDir data("box-data");
  Child box({"--size", "1024"}, {work.path.string(), data.path.string()});
  const int fd = openRaw(box.firstLine());
  ASSERT_GE(fd, 0);
  EXPECT_EQ(ask(fd, 'e'), "e\r\nErase Complete\r\n>"); // the chip is written on a change
  ::close(fd);
  kill(box.pid, SIGTERM);
  EXPECT_EQ(box.exitCode(), 0);
  const auto chipFile = data.path / "orvane-box-sim" / "box-flash.bin";
  EXPECT_EQ(std::filesystem::file_size(chipFile), 1025u) << chipFile;
  EXPECT_TRUE(std::filesystem::is_empty(work.path));
}

TEST(BoxProgram, RefusesArgumentsItDoesNotKnow) {
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"--size", "0"}, {"--size", "70000"}, {"--delay"}, {"--what"}}) {
    Child box(args);
    EXPECT_EQ(box.exitCode(), 2) << args[0];
  }
}

} // namespace
