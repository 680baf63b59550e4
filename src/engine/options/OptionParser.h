#pragma once
// Option parser: one (name, value) pair at a time changes a task's settings. Names are the
// converter's command-line vocabulary without the leading dash; names the table does not
// know go to the libraries' generic options.
#include "engine/component/TaskSettings.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

// What the parser needs of the task beyond its settings. The default answers fit a task
// with nothing open yet.
class TOptionHost {
public:
    virtual ~TOptionHost() = default;
    // Inputs opened so far, in order (target norm guess, "itsscale" file index).
    virtual int InputCount() const { return 0; }
    virtual const AVFormatContext* Input(int index) const { return nullptr; }
    // "newvideo", "newaudio", "newsubtitle": add a stream of that type to the last output.
    // Default: raises "At least one output file must be specified".
    virtual void NewStream(AVMediaType type);
    // "t" also becomes the task's expected total duration.
    virtual void SetTotalDuration(int64_t microseconds) {}
};

enum class TOptionKind {
    Nothing, // logged and ignored
    Refused, // always an error
    Boolean, // True unless exactly "0"
    Integer,
    Float,
    Text,
    Duration, // [-]HH:MM:SS[.frac] or seconds, in microseconds
    Special,  // own syntax, see the handler
};

class TOptionParser;
using TOptionHandler = void (*)(TOptionParser& parser, const std::string& name, const std::string& value);

struct TOptionRow {
    std::string_view Name;
    TOptionKind Kind;
    TOptionHandler Handler;
};

class TOptionParser {
public:
    explicit TOptionParser(TTaskSettings& settings, TOptionHost* host = nullptr);

    // Raises FFmpegException with the option's error text; an unknown name that no library
    // context knows changes nothing.
    void Parse(const std::string& name, const std::string& value);

    // Generic option; never raises. False when unknown or refused (the refusal is logged).
    bool SetGenericOption(const std::string& name, const std::string& value);
    // The same, with `fallback` standing in for the encoder of `type` when none is chosen
    // (a built-in preset names the encoder it was written for).
    bool SetGenericOption(const std::string& name, const std::string& value, AVMediaType type,
                          const AVCodec* fallback);

    TTaskSettings& Settings() { return settings_; }
    TOptionHost& Host() { return *host_; }

    // The option table in look-up order.
    static const std::vector<TOptionRow>& Table();

private:
    TTaskSettings& settings_;
    TOptionHost* host_;
};

// Number parsing with the conversion's standard messages ("'x' is not a valid integer value").
int ParseIntValue(const std::string& text);
int64_t ParseInt64Value(const std::string& text);
double ParseFloatValue(const std::string& text);
// Boolean option values: True unless the text is exactly "0".
inline bool ParseBoolValue(const std::string& text) {
    return text != "0";
}

} // namespace orvel
