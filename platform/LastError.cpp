// The per-thread last error and the translation of errno values and Win32 codes to text.
#include "platform/LastError.h"

#include <cerrno>

namespace {
thread_local DWORD tLastError = ERROR_SUCCESS;
constexpr DWORD kGenFailure = 31;
} // namespace

DWORD GetLastError() {
    return tLastError;
}

void SetLastError(DWORD code) {
    tLastError = code;
}

DWORD Win32ErrorFromErrno(int err) {
    switch (err) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case EIO:
        return ERROR_READ_FAULT;
    case ENAMETOOLONG:
        return ERROR_INSUFFICIENT_BUFFER;
    default:
        return kGenFailure;
    }
}

std::string FormatSystemMessage(DWORD code) {
    switch (code) {
    case ERROR_SUCCESS:
        return "The operation completed successfully.\r\n";
    case ERROR_FILE_NOT_FOUND:
        return "The system cannot find the file specified.\r\n";
    case ERROR_PATH_NOT_FOUND:
        return "The system cannot find the path specified.\r\n";
    case ERROR_ACCESS_DENIED:
        return "Access is denied.\r\n";
    case ERROR_INVALID_HANDLE:
        return "The handle is invalid.\r\n";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "Not enough memory resources are available to process this command.\r\n";
    case ERROR_WRITE_FAULT:
        return "The system cannot write to the specified device.\r\n";
    case ERROR_READ_FAULT:
        return "The system cannot read from the specified device.\r\n";
    case kGenFailure:
        return "A device attached to the system is not functioning.\r\n";
    case ERROR_SHARING_VIOLATION:
        return "The process cannot access the file because it is being used by another "
               "process.\r\n";
    case ERROR_FILE_EXISTS:
        return "The file exists.\r\n";
    case ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect.\r\n";
    case ERROR_DISK_FULL:
        return "There is not enough space on the disk.\r\n";
    case ERROR_INSUFFICIENT_BUFFER:
        return "The data area passed to a system call is too small.\r\n";
    case ERROR_ALREADY_EXISTS:
        return "Cannot create a file when that file already exists.\r\n";
    case ERROR_MORE_DATA:
        return "More data is available.\r\n";
    case ERROR_NO_MORE_ITEMS:
        return "No more data is available.\r\n";
    case ERROR_BADDB:
        return "The configuration registry database is corrupt.\r\n";
    case ERROR_BADKEY:
        return "The configuration registry key is invalid.\r\n";
    case ERROR_CANTOPEN:
        return "The configuration registry key could not be opened.\r\n";
    case ERROR_CANTREAD:
        return "The configuration registry key could not be read.\r\n";
    case ERROR_CANTWRITE:
        return "The configuration registry key could not be written.\r\n";
    case ERROR_KEY_DELETED:
        return "Illegal operation attempted on a registry key that has been marked for "
               "deletion.\r\n";
    default:
        return "Unknown error " + std::to_string(code) + ".\r\n";
    }
}
