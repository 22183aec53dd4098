#pragma once

#include "lookup/tmdb_key.h"

#include <QTimer>

// A secret store in memory that answers through the event loop as the
// desktop's does; `outcome` other than Done makes every call fail so.
class FakeSecretStore : public SecretStore {
public:
    struct State {
        QString secret;  // empty: nothing kept
        Outcome outcome = Outcome::Done;
        int reads = 0;
    };
    explicit FakeSecretStore(std::shared_ptr<State> state) : state_(std::move(state)) {}

    void read(Answer answer) override {
        ++state_->reads;
        later(answer, [s = state_] {
            Result r{s->outcome, {}, QStringLiteral("fake")};
            if (r.outcome == Outcome::Done && s->secret.isEmpty()) r.outcome = Outcome::NotFound;
            if (r.outcome == Outcome::Done) r.secret = s->secret;
            return r;
        });
    }
    void write(const QString& secret, Answer answer) override {
        later(answer, [s = state_, secret] {
            if (s->outcome == Outcome::Done) s->secret = secret;
            return Result{s->outcome, {}, QStringLiteral("fake")};
        });
    }
    void remove(Answer answer) override {
        later(answer, [s = state_] {
            if (s->outcome == Outcome::Done) s->secret.clear();
            return Result{s->outcome, {}, QStringLiteral("fake")};
        });
    }

private:
    template <typename F>
    void later(Answer answer, F result) {
        QTimer::singleShot(0, &guard_, [answer, result] { answer(result()); });
    }
    std::shared_ptr<State> state_;
    QObject guard_;  // no answer after the store is gone
};
