#pragma once
// Watches a job list model while a test drives it, directly or through a window: Qt's model
// tester checks every signal the model sends, and the model's own consistency check runs after
// every change it reports. Problems() holds what either found, one line each.
#include "app/JobListModel.h"

#include <QAbstractItemModelTester>

#include <memory>
#include <string>

namespace orvel::test {

class TJobListModelWatch {
public:
    explicit TJobListModelWatch(TJobListModel& model) : model_(model) {
        current_ = this;
        previous_ = qInstallMessageHandler(Collect);
        tester_ = std::make_unique<QAbstractItemModelTester>(
            &model, QAbstractItemModelTester::FailureReportingMode::Warning);
        const auto check = [this] { Check(); };
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, &context_, check);
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved, &context_, check);
        QObject::connect(&model, &QAbstractItemModel::rowsMoved, &context_, check);
        QObject::connect(&model, &QAbstractItemModel::modelReset, &context_, check);
        QObject::connect(&model, &QAbstractItemModel::dataChanged, &context_, check);
    }
    ~TJobListModelWatch() {
        tester_.reset();
        qInstallMessageHandler(previous_);
        current_ = nullptr;
    }
    TJobListModelWatch(const TJobListModelWatch&) = delete;
    TJobListModelWatch& operator=(const TJobListModelWatch&) = delete;

    const std::string& Problems() const { return problems_; }

private:
    void Check() { problems_ += model_.CheckConsistency(); }

    // The tester reports through the message log, under its own category.
    static void Collect(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (current_ && context.category && std::string(context.category) == "qt.modeltest") {
            current_->problems_ += message.toStdString() + "\n";
            return;
        }
        if (current_ && current_->previous_) current_->previous_(type, context, message);
    }

    static inline TJobListModelWatch* current_ = nullptr;
    TJobListModel& model_;
    QObject context_; // the connections end with the watch
    QtMessageHandler previous_ = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester_;
    std::string problems_;
};

} // namespace orvel::test
