#pragma once
// Runs the built orvel-convert and collects its exit code and output.
#include <QProcess>
#include <QStringList>

#include <string>
#include <vector>

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline CliRun RunCli(const std::vector<std::string>& args, int timeoutMs = 120000) {
    QProcess process;
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
