// Windows child processes: CreateProcessA in a job object (memory limit, killed with the job),
// the frame pipe handed over as the C run time's descriptor 3, one thread draining the child's
// messages and one ending the job when the time is up.
#include "platform/childprocess.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/win/winio.h"

namespace zr::platform {

namespace {

using winio::Handle;

constexpr std::size_t kOutputKept = 64 * 1024;

[[noreturn]] void failSystem(const std::string& what, DWORD err = ::GetLastError()) {
  throw std::system_error(static_cast<int>(err), std::system_category(), what);
}

// A pipe whose write end the child inherits; the read end stays ours.
struct Pipe {
  Handle read, write;
  Pipe() {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE r = nullptr, w = nullptr;
    if (!::CreatePipe(&r, &w, &sa, 0)) failSystem("CreatePipe");
    read = Handle(r);
    write = Handle(w);
    ::SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0);
  }
};

// The block through which a C run time passes descriptors to its child: a count, one flag byte
// per descriptor, then the handles, packed.
std::vector<unsigned char> descriptorBlock(const std::vector<std::pair<HANDLE, unsigned char>>& fds) {
  const int count = static_cast<int>(fds.size());
  std::vector<unsigned char> block(sizeof(int) + fds.size() * (1 + sizeof(HANDLE)));
  std::memcpy(block.data(), &count, sizeof count);
  for (std::size_t i = 0; i < fds.size(); ++i) {
    block[sizeof(int) + i] = fds[i].second;
    std::memcpy(block.data() + sizeof(int) + fds.size() + i * sizeof(HANDLE), &fds[i].first,
                sizeof(HANDLE));
  }
  return block;
}

constexpr unsigned char kOpen = 0x01, kPipe = 0x08, kDevice = 0x40;

// Windows' own components look up SystemRoot; everything else of the parent's stays out.
std::string environmentBlock() {
  std::string block;
  char root[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableA("SystemRoot", root, sizeof root);
  if (n > 0 && n < sizeof root) block += "SystemRoot=" + std::string(root, n) + '\0';
  block += '\0';
  block += '\0';
  return block;
}

// The handles the child inherits, named one by one: no other inheritable handle of this
// process (a pipe another thread is setting up) leaks into it.
class InheritedHandles {
 public:
  explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    buffer_.resize(size);
    list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    if (!::InitializeProcThreadAttributeList(list_, 1, 0, &size))
      failSystem("InitializeProcThreadAttributeList");
    if (!::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                     handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      const DWORD err = ::GetLastError();
      ::DeleteProcThreadAttributeList(list_);
      failSystem("UpdateProcThreadAttribute", err);
    }
  }
  ~InheritedHandles() { ::DeleteProcThreadAttributeList(list_); }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;
  LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

 private:
  std::vector<HANDLE> handles_;  // the list points into it
  std::vector<unsigned char> buffer_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

Handle makeJob(std::uint64_t memoryBytes) {
  Handle job(::CreateJobObjectA(nullptr, nullptr));
  if (!job) failSystem("CreateJobObject");
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
  info.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  if (memoryBytes != 0) {
    info.BasicLimitInformation.LimitFlags |= JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    info.ProcessMemoryLimit = static_cast<SIZE_T>(memoryBytes);
  }
  if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &info, sizeof info))
    failSystem("SetInformationJobObject");
  return job;
}

}  // namespace

ChildEnd runChild(const std::string& program, const std::vector<std::string>& args,
                  const HandedFile*, const ChildLimits& limits,
                  const std::function<void(std::string_view)>& stream) {
  if (::GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) failSystem(program);
  std::string line = winio::commandLineArgument(program);
  for (const std::string& a : args) line += ' ' + winio::commandLineArgument(a);

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle nul(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr));
  if (!nul) failSystem("NUL");
  Pipe out, frames;
  std::vector<unsigned char> fds = descriptorBlock({{nul.get(), kOpen | kDevice},
                                                    {out.write.get(), kOpen | kPipe},
                                                    {out.write.get(), kOpen | kPipe},
                                                    {frames.write.get(), kOpen | kPipe}});
  const InheritedHandles inherited({nul.get(), out.write.get(), frames.write.get()});
  STARTUPINFOEXA six{};
  STARTUPINFOA& si = six.StartupInfo;
  si.cb = sizeof six;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nul.get();
  si.hStdOutput = out.write.get();
  si.hStdError = out.write.get();
  si.cbReserved2 = static_cast<WORD>(fds.size());
  si.lpReserved2 = fds.data();
  six.lpAttributeList = inherited.list();
  std::string environment = environmentBlock();
  Handle job = makeJob(limits.dataBytes);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT,
                        environment.data(), nullptr, &si, &pi))
    failSystem(program);
  Handle process(pi.hProcess), thread(pi.hThread);
  if (!::AssignProcessToJobObject(job.get(), process.get())) {
    const DWORD err = ::GetLastError();
    ::TerminateProcess(process.get(), 1);
    failSystem("AssignProcessToJobObject", err);
  }
  ::ResumeThread(thread.get());
  nul.reset();
  out.write.reset();
  frames.write.reset();

  ChildEnd end;
  std::atomic<bool> timedOut{false};
  // Ends the job when the time is up; otherwise returns when the child ends, however it ends.
  std::thread watchdog([&] {
    const auto ms = std::max<long long>(0, limits.time.count());
    const DWORD wait = ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
    if (::WaitForSingleObject(process.get(), wait) == WAIT_TIMEOUT) {
      timedOut = true;
      ::TerminateJobObject(job.get(), 1);
      ::WaitForSingleObject(process.get(), INFINITE);
    }
  });
  std::thread drain([&] {
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(out.read.get(), buf, sizeof buf, &n, nullptr) && n > 0)
      if (end.output.size() < kOutputKept)
        end.output.append(buf, std::min<std::size_t>(n, kOutputKept - end.output.size()));
  });
  const auto stop = [&] {
    ::TerminateJobObject(job.get(), 1);
    watchdog.join();
    drain.join();
  };
  try {
    char buf[65536];
    DWORD n = 0;
    while (::ReadFile(frames.read.get(), buf, sizeof buf, &n, nullptr) && n > 0)
      stream(std::string_view(buf, n));
  } catch (...) {
    stop();
    throw;
  }
  watchdog.join();
  // A grandchild could still hold the message pipe: the job's end closes it.
  ::TerminateJobObject(job.get(), 1);
  drain.join();
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  if (timedOut) {
    end.how = ChildEnd::How::TimedOut;
  } else {
    end.code = static_cast<int>(code);
  }
  return end;
}

}  // namespace zr::platform
