#include "masters/master_frame.h"
#include "scripted_prompts.h"
#include "shell/screen_host.h"
#include "store/catalogue.h"
#include "store/changes.h"
#include "test_files.h"
#include "test_registry.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {
using Answer = Prompts::Answer;

// The window as the master screen sees it, recording what the screen asks of it.
class RecordingHost : public ScreenHost {
public:
    explicit RecordingHost(const QString& dir) : cat(dir), path(dir) {}

    Catalogue& catalogue() override { return cat; }
    Prompts& prompts() override { return boxes; }
    const Clock& clock() const override { return clk; }
    QString perform(std::unique_ptr<Change> change) override { return change->apply(cat); }
    void HideAllFrames() override { calls << "HideAllFrames"; }
    void returnToCard(int n, bool) override { calls << QStringLiteral("returnToCard %1").arg(n); }
    int lastJumpTitle() const override { return 0; }
    void setCurrentTitle(int n) override { calls << QStringLiteral("setCurrentTitle %1").arg(n); }
    void showMainCard() override { calls << "showMainCard"; }
    bool galleryReady() const override { return gallery; }
    void setGalleryReady(bool ready) override {
        gallery = ready;
        calls << QStringLiteral("setGalleryReady %1").arg(ready);
    }
    void reloadTitles() override {
        calls << "reloadTitles";
        cat.LoadMainData();
    }
    void titlesChanged() override { calls << "titlesChanged"; }
    void collectionReplaced() override { calls << "collectionReplaced"; }
    void itemNamesChanged() override { calls << "itemNamesChanged"; }
    void showHelpTour(const QString&) override { calls << "showHelpTour"; }
    bool reportWrite(const QString& problem) override {
        if (problem.isEmpty()) return true;
        calls << "reportWrite";
        return false;
    }
    void endProgram() override { calls << "endProgram"; }
    QString dataDir() const override { return path; }
    void showChart(const ChartRequest&) override { calls << "showChart"; }

    Catalogue cat;
    QString path;
    ScriptedPrompts boxes;
    Clock clk;
    bool gallery = true;
    QStringList calls;
};

struct Screen {
    QTemporaryDir dir;
    std::unique_ptr<RecordingHost> host;
    std::unique_ptr<MasterFrame> frame;

    explicit Screen(int titles) {
        writeFreshMasters(dir.path(), false);
        QString data;
        for (int i = 1; i <= titles; ++i) data += titleRecord(QStringLiteral("題%1").arg(i));
        writeCp932(dir.path(), kDataFile, data);
        host = std::make_unique<RecordingHost>(dir.path());
        host->cat.LoadMainData();
        host->cat.LoadMasters();
        frame = std::make_unique<MasterFrame>(*host);
        frame->hide();
        frame->cmdMaster_Click();
        host->calls.clear();
    }
    template <typename T>
    T* find(const char* name) {
        return frame->findChild<T*>(QLatin1String(name));
    }
};
}  // namespace

class TestMasterHost : public QObject {
    Q_OBJECT
private slots:
    void aSavedNameUpdatesEveryLabelThroughTheWindowOnce() {
        Screen s(2);
        s.find<QLineEdit>("txtSyoyu_2")->setText(QStringLiteral("レンタル"));
        s.host->boxes.planAnswer(Answer::Cancel);
        s.find<QPushButton>("lblSyoyuHozon")->click();
        QVERIFY(s.host->calls.isEmpty());

        s.host->boxes.planAnswer(Answer::Ok);
        s.find<QPushButton>("lblSyoyuHozon")->click();
        QCOMPARE(s.host->calls, QStringList({"itemNamesChanged"}));
        QCOMPARE(s.host->cat.SyoyuKoumoku[2], QStringLiteral("レンタル"));

        s.host->calls.clear();
        s.find<QLineEdit>("txtHyouka_4")->setText(QStringLiteral("引用符\"入り"));
        s.host->boxes.planAnswer(Answer::Ok);
        s.find<QPushButton>("cmdHyoukaHozon")->click();
        QCOMPARE(s.host->calls, QStringList({"reportWrite"}));  // and no label changes
        QCOMPARE(s.host->cat.HyoukaKoumoku[4], QStringLiteral("ほのぼの"));
        QCOMPARE(s.host->boxes.unusedAnswers(), 0);
    }

    void applyingAnOrderReloadsAndShowsTitleOneAnew() {
        Screen s(3);
        s.frame->lstBicho_MouseDown(2);
        s.frame->lstBicho_MouseUp(0);
        s.host->boxes.planAnswer(Answer::Ok);
        s.host->boxes.planAnswer(Answer::Ok);
        s.find<QPushButton>("cmdSortCng2")->click();
        QCOMPARE(s.host->calls, QStringList({"titlesChanged", "setCurrentTitle 3",
                                             "setCurrentTitle 1", "setGalleryReady 0"}));
        QCOMPARE(s.host->cat.titles()[1].Daimei, QStringLiteral("題3"));
    }

    void anEmptyListIsAppliedLikeAnyOther() {
        Screen s(0);
        s.host->boxes.planAnswer(Answer::Ok);
        s.host->boxes.planAnswer(Answer::Ok);
        s.find<QPushButton>("cmdSortCng2")->click();
        QCOMPARE(s.host->calls,
                 QStringList({"titlesChanged", "setCurrentTitle 1", "setGalleryReady 0"}));
        QCOMPARE(readBytes(s.dir.path(), kDataFile), QByteArray());
        QCOMPARE(s.host->boxes.boxes.last().title, QStringLiteral("並び替え完了"));
    }

    void aConfirmedResetEndsTheProgramEvenWithNoTitles() {
        Screen s(0);
        s.host->boxes.planAnswer(Answer::Yes);
        s.host->boxes.planAnswer(Answer::Ok);
        s.host->boxes.planAnswer(Answer::Ok);
        s.find<QPushButton>("cmdSinki")->click();
        QCOMPARE(s.host->calls, QStringList({"endProgram"}));
        QCOMPARE(s.host->boxes.boxes.size(), 3);
        QVERIFY(s.host->boxes.unexpected.isEmpty());
    }
};

REELNOTE_TEST(TestMasterHost)
#include "tst_master_host.moc"
