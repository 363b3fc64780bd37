#pragma once
// What the stand-alone POSIX backends of both programs share. They exist for
// the native tests and benchmarks only; the programs run on the Win32
// backends.
#include <iconv.h>

#include <cerrno>
#include <cstddef>

// Calls `call` (a system call returning -1 on failure) again for as long as
// a signal interrupts it, and returns its result.
template <typename Call>
auto RetryOnSignal(Call call) -> decltype(call()) {
    for (;;) {
        const auto result = call();
        if (!(result < 0 && errno == EINTR)) {
            return result;
        }
    }
}

// The programs build Windows paths, with '\' between folders; here '/'
// separates them. Copies `path` so into out[0..outSize-1]; false when it does
// not fit with its zero.
inline bool ToPosixPath(const char* path, char* out, size_t outSize) {
    for (size_t i = 0; i < outSize; ++i) {
        out[i] = path[i] == '\\' ? '/' : path[i];
        if (path[i] == '\0') {
            return true;
        }
    }
    return false;
}

// One direction of text conversion through iconv (encodings by their iconv
// names: "CP932", "UTF-8", "UTF-16LE"), opened on first use.
class TextConverter {
  public:
    TextConverter(const char* to, const char* from) : to_(to), from_(from) {}
    ~TextConverter() {
        if (handle_ != NotOpen()) {
            iconv_close(handle_);
        }
    }
    TextConverter(const TextConverter&) = delete;
    TextConverter& operator=(const TextConverter&) = delete;

    // Converts in[0..count-1] into out[0..outSize-1] and returns the number of
    // bytes produced: 0 when the input has no exact form in the target
    // encoding or does not fit.
    size_t Convert(const char* in, size_t count, char* out, size_t outSize) {
        if (!tried_) {
            handle_ = iconv_open(to_, from_);
            tried_ = true;
        }
        if (handle_ == NotOpen()) {
            return 0;
        }
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // a fresh start
        char* input = const_cast<char*>(in);
        char* output = out;
        size_t inLeft = count;
        size_t outLeft = outSize;
        if (iconv(handle_, &input, &inLeft, &output, &outLeft) == static_cast<size_t>(-1) ||
            inLeft != 0) {
            return 0;
        }
        return outSize - outLeft;
    }

  private:
    static iconv_t NotOpen() { return reinterpret_cast<iconv_t>(-1); }

    const char* to_;
    const char* from_;
    iconv_t handle_ = NotOpen();
    bool tried_ = false;
};
