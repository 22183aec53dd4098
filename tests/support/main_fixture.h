#pragma once

#include "card/card_frame.h"
#include "scripted_prompts.h"
#include "app/frm_main.h"
#include "shell/prompts.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A clock whose "today" a test sets.
class FixedClock : public Clock {
public:
    QDate today() const override { return day; }
    QDate day{2026, 12, 7};
};

// The real main window on a temporary data directory, with scripted boxes.
struct MainFixture {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    FixedClock clock;
    std::unique_ptr<frmMain> window;

    QString path() const { return dir.path(); }

    // The folder is listed first, so that what the card shows at once does not
    // hang on how fast the listing thread ran.
    frmMain& start() {
        window = std::make_unique<frmMain>(dir.path(), prompts, clock);
        window->catalogue().dir().waitForListing();
        window->Form_Load();
        return *window;
    }

    template <typename T>
    T* find(const QString& name) const {
        T* w = window->findChild<T*>(name);
        if (!w) qWarning("no control named %s", qPrintable(name));
        return w;
    }

    // A left click on the button of that name, as the user gives it.
    void click(const char* name) const {
        QTest::mouseClick(find<QPushButton>(QLatin1String(name)), Qt::LeftButton);
    }

    // Fails the test when a box appeared that the test did not plan for, or a
    // planned answer was never asked for.
    void checkBoxes() const {
        QVERIFY2(prompts.unexpected.isEmpty(), qPrintable(prompts.unexpected.join(u'\n')));
        QCOMPARE(prompts.unusedAnswers(), 0);
    }
};
