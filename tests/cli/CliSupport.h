#pragma once
// Runs the built orvel-convert and collects its exit code and output.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <sstream>
#include <string>
#include <vector>

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// unsetEnv: variables the program does not get from the test's environment.
inline CliRun RunCli(const std::vector<std::string>& args, int timeoutMs = 120000,
                     const std::vector<std::string>& unsetEnv = {}) {
    QProcess process;
    if (!unsetEnv.empty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto& name : unsetEnv)
            env.remove(QString::fromStdString(name));
        process.setProcessEnvironment(env);
    }
    QStringList list;
    for (const auto& a : args)
        list << QString::fromStdString(a);
    process.start(QStringLiteral(ORVEL_BINARY_DIR "/orvel-convert"), list);
    CliRun run;
    if (!process.waitForFinished(timeoutMs)) return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

// The items of a comma-separated list, such as a demuxer's names.
inline std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        parts.push_back(item);
    return parts;
}
