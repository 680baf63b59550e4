#pragma once
// Runs the built orvel-convert and collects its exit code and output.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

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
