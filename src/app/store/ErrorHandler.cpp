#include "app/store/ErrorHandler.h"

#include "app/store/MessageBoxes.h"
#include "engine/foundation/FFmpegException.h"

#include <cstdio>
#include <mutex>

namespace orvel {
namespace {

std::mutex g_handlerMutex;
TUnhandledErrorHandler g_handler;

struct TErrorDescription {
    std::string Message;
    bool FromEngine = false;
};

TErrorDescription Describe(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const FFmpegException& e) {
        return {e.what(), true};
    } catch (const std::exception& e) {
        return {e.what(), false};
    } catch (...) {
        return {"An unknown error occurred", false};
    }
}

} // namespace

std::string ErrorMessageText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}

void ShowUnhandledError(std::exception_ptr error) {
    if (!error) return;
    const TErrorDescription d = Describe(error);
    MessageBox(ErrorMessageText(d.Message), ApplicationTitle(),
               d.FromEngine ? TMsgIcon::Warning : TMsgIcon::Error);
}

void SetUnhandledErrorHandler(TUnhandledErrorHandler handler) {
    std::lock_guard lock(g_handlerMutex);
    g_handler = std::move(handler);
}

void ReportUnhandledError(std::exception_ptr error) {
    TUnhandledErrorHandler handler;
    {
        std::lock_guard lock(g_handlerMutex);
        handler = g_handler;
    }
    if (handler) {
        handler(error);
        return;
    }
    if (error) std::fprintf(stderr, "%s\n", ErrorMessageText(Describe(error).Message).c_str());
}

} // namespace orvel
