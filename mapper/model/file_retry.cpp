#include "mapper/model/file_retry.h"

bool IsMomentaryFileError(uint32_t error) {
    return error == kErrorSharingViolation || error == kErrorLockViolation ||
           error == kErrorAccessDenied;
}
