// POSIX host: FormatMessageA over the system message table.
// The table holds the English texts Windows gives for the codes this layer
// (and the Winsock layer of a Windows host) can report, CR LF included.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "platform/win32.h"

namespace {

struct SystemMessage {
  DWORD code;
  const char* text;
};

// Sorted by code. Texts with inserts (%1) keep them: callers ask for
// FORMAT_MESSAGE_IGNORE_INSERTS, as Windows expects for system messages.
constexpr SystemMessage kSystemMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {7, "The storage control blocks were destroyed.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {9, "The storage control block address is invalid.\r\n"},
    {10, "The environment is incorrect.\r\n"},
    {11, "An attempt was made to load a program with an incorrect format.\r\n"},
    {12, "The access code is invalid.\r\n"},
    {13, "The data is invalid.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {15, "The system cannot find the drive specified.\r\n"},
    {16, "The directory cannot be removed.\r\n"},
    {17, "The system cannot move the file to a different disk drive.\r\n"},
    {18, "There are no more files.\r\n"},
    {19, "The media is write protected.\r\n"},
    {20, "The system cannot find the device specified.\r\n"},
    {21, "The device is not ready.\r\n"},
    {22, "The device does not recognize the command.\r\n"},
    {23, "Data error (cyclic redundancy check).\r\n"},
    {24, "The program issued a command but the command length is incorrect.\r\n"},
    {25, "The drive cannot locate a specific area or track on the disk.\r\n"},
    {26, "The specified disk or diskette cannot be accessed.\r\n"},
    {27, "The drive cannot find the sector requested.\r\n"},
    {28, "The printer is out of paper.\r\n"},
    {29, "The system cannot write to the specified device.\r\n"},
    {30, "The system cannot read from the specified device.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {33,
     "The process cannot access the file because another process has locked a portion of the "
     "file.\r\n"},
    {36, "Too many files opened for sharing.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {39, "The disk is full.\r\n"},
    {50, "The request is not supported.\r\n"},
    {53, "The network path was not found.\r\n"},
    {55, "The specified network resource or device is no longer available.\r\n"},
    {65, "Network access is denied.\r\n"},
    {67, "The network name cannot be found.\r\n"},
    {80, "The file exists.\r\n"},
    {82, "The directory or file cannot be created.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {89, "The system cannot start another process at this time.\r\n"},
    {109, "The pipe has been ended.\r\n"},
    {110, "The system cannot open the device or file specified.\r\n"},
    {111, "The file name is too long.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {120, "This function is not supported on this system.\r\n"},
    {121, "The semaphore timeout period has expired.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {124, "The system call level is not correct.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {127, "The specified procedure could not be found.\r\n"},
    {128, "There are no child processes to wait for.\r\n"},
    {131, "An attempt was made to move the file pointer before the beginning of the file.\r\n"},
    {132, "The file pointer cannot be set on the specified device or file.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {160, "One or more arguments are not correct.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {164, "No more threads can be created in the system.\r\n"},
    {167, "Unable to lock a region of a file.\r\n"},
    {170, "The requested resource is in use.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"},
    {203, "The system could not find the environment option that was entered.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {230, "The pipe state is invalid.\r\n"},
    {231, "All pipe instances are busy.\r\n"},
    {232, "The pipe is being closed.\r\n"},
    {233, "No process is on the other end of the pipe.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {317,
     "The system cannot find message text for message number 0x%1 in the message file for "
     "%2.\r\n"},
    {487, "Attempt to access invalid address.\r\n"},
    {534, "Arithmetic result exceeded 32 bits.\r\n"},
    {995,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request.\r\n"},
    {997, "Overlapped I/O operation is in progress.\r\n"},
    {998, "Invalid access to memory location.\r\n"},
    {1004, "Invalid flags.\r\n"},
    {1168, "Element not found.\r\n"},
    {1223, "The operation was canceled by the user.\r\n"},
    {1314, "A required privilege is not held by the client.\r\n"},
    {1460, "This operation returned because the timeout period expired.\r\n"},
    {1816, "Not enough quota is available to process this command.\r\n"},
    // Winsock.
    {10004, "A blocking operation was interrupted by a call to WSACancelBlockingCall.\r\n"},
    {10009, "The file handle supplied is not valid.\r\n"},
    {10013,
     "An attempt was made to access a socket in a way forbidden by its access permissions.\r\n"},
    {10014,
     "The system detected an invalid pointer address in attempting to use a pointer argument in a "
     "call.\r\n"},
    {10022, "An invalid argument was supplied.\r\n"},
    {10024, "Too many open sockets.\r\n"},
    {10035, "A non-blocking socket operation could not be completed immediately.\r\n"},
    {10036, "A blocking operation is currently executing.\r\n"},
    {10037,
     "An operation was attempted on a non-blocking socket that already had an operation in "
     "progress.\r\n"},
    {10038, "An operation was attempted on something that is not a socket.\r\n"},
    {10039, "A required address was omitted from an operation on a socket.\r\n"},
    {10040,
     "A message sent on a datagram socket was larger than the internal message buffer or some "
     "other network limit, or the buffer used to receive a datagram into was smaller than the "
     "datagram itself.\r\n"},
    {10041,
     "A protocol was specified in the socket function call that does not support the semantics "
     "of the socket type requested.\r\n"},
    {10042,
     "An unknown, invalid, or unsupported option or level was specified in a getsockopt or "
     "setsockopt call.\r\n"},
    {10043,
     "The requested protocol has not been configured into the system, or no implementation for "
     "it exists.\r\n"},
    {10044, "The support for the specified socket type does not exist in this address family.\r\n"},
    {10045, "The attempted operation is not supported for the type of object referenced.\r\n"},
    {10046,
     "The protocol family has not been configured into the system or no implementation for it "
     "exists.\r\n"},
    {10047, "An address incompatible with the requested protocol was used.\r\n"},
    {10048,
     "Only one usage of each socket address (protocol/network address/port) is normally "
     "permitted.\r\n"},
    {10049, "The requested address is not valid in its context.\r\n"},
    {10050, "A socket operation encountered a dead network.\r\n"},
    {10051, "A socket operation was attempted to an unreachable network.\r\n"},
    {10052,
     "The connection has been broken due to keep-alive activity detecting a failure while the "
     "operation was in progress.\r\n"},
    {10053, "An established connection was aborted by the software in your host machine.\r\n"},
    {10054, "An existing connection was forcibly closed by the remote host.\r\n"},
    {10055,
     "An operation on a socket could not be performed because the system lacked sufficient "
     "buffer space or because a queue was full.\r\n"},
    {10056, "A connect request was made on an already connected socket.\r\n"},
    {10057,
     "A request to send or receive data was disallowed because the socket is not connected and "
     "(when sending on a datagram socket using a sendto call) no address was supplied.\r\n"},
    {10058,
     "A request to send or receive data was disallowed because the socket had already been shut "
     "down in that direction with a previous shutdown call.\r\n"},
    {10059, "Too many references to some kernel object.\r\n"},
    {10060,
     "A connection attempt failed because the connected party did not properly respond after a "
     "period of time, or established connection failed because connected host has failed to "
     "respond.\r\n"},
    {10061, "No connection could be made because the target machine actively refused it.\r\n"},
    {10062, "Cannot translate name.\r\n"},
    {10063, "Name component or name was too long.\r\n"},
    {10064, "A socket operation failed because the destination host was down.\r\n"},
    {10065, "A socket operation was attempted to an unreachable host.\r\n"},
    {10066, "Cannot remove a directory that is not empty.\r\n"},
    {10067,
     "A Windows Sockets implementation may have a limit on the number of applications that may "
     "use it simultaneously.\r\n"},
    {10068, "Ran out of quota.\r\n"},
    {10069, "Ran out of disk quota.\r\n"},
    {10070, "File handle reference is no longer available.\r\n"},
    {10071, "Item is not available locally.\r\n"},
    {10091,
     "WSAStartup cannot function at this time because the underlying system it uses to provide "
     "network services is currently unavailable.\r\n"},
    {10092, "The Windows Sockets version requested is not supported.\r\n"},
    {10093, "Either the application has not called WSAStartup, or WSAStartup failed.\r\n"},
    {10101,
     "Returned by WSARecv or WSARecvFrom to indicate the remote party has initiated a graceful "
     "shutdown sequence.\r\n"},
    {11001, "No such host is known.\r\n"},
    {11002,
     "This is usually a temporary error during hostname resolution and means that the local "
     "server did not receive a response from an authoritative server.\r\n"},
    {11003, "A non-recoverable error occurred during a database lookup.\r\n"},
    {11004, "The requested name is valid, but no data of the requested type was found.\r\n"},
};

static_assert(std::is_sorted(std::begin(kSystemMessages), std::end(kSystemMessages),
                             [](const SystemMessage& a, const SystemMessage& b) {
                               return a.code < b.code;
                             }),
              "the message table must stay sorted for the lookup");

// Flags this emulation understands; anything else (allocated buffers, texts
// from strings or modules, argument arrays, line widths) is refused.
constexpr DWORD kSupportedFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

const char* find_system_message(DWORD code) {
  const auto* it = std::lower_bound(
      std::begin(kSystemMessages), std::end(kSystemMessages), code,
      [](const SystemMessage& entry, DWORD wanted) { return entry.code < wanted; });
  if (it == std::end(kSystemMessages) || it->code != code) return nullptr;
  return it->text;
}

}  // namespace

// The language is not consulted: the table is English, the language Windows
// falls back to for language 0.
DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD message_id, DWORD, LPSTR buffer, DWORD size,
                     va_list*) {
  if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (flags & ~kSupportedFlags) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = find_system_message(message_id);
  if (text == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  const std::string_view message(text);
  if ((flags & FORMAT_MESSAGE_IGNORE_INSERTS) == 0 && message.find('%') != std::string_view::npos) {
    // An insert without arguments to fill it.
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (buffer == nullptr && size != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (message.size() >= size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, message.data(), message.size());
  buffer[message.size()] = '\0';
  return static_cast<DWORD>(message.size());
}
