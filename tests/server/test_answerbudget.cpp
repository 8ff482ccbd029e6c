// The answers ferryd gives addresses that have not signed on: a budget per
// address and window, and a bounded table of addresses.

#include "server/answerbudget.h"

#include <QTest>

using ferryd::AnswerBudget;

class TestAnswerBudget : public QObject {
    Q_OBJECT
private slots:
    void budgetPerAddressAndWindowWithABoundedTable()
    {
        AnswerBudget budget;
        for (int i = 0; i < AnswerBudget::kAnswers; ++i)
            QVERIFY(budget.allow(1, 1000));
        QVERIFY(!budget.allow(1, 1000 + AnswerBudget::kWindowMs - 1));
        QVERIFY(budget.allow(2, 1000));
        // A new window, a new budget.
        QVERIFY(budget.allow(1, 1000 + AnswerBudget::kWindowMs));

        // A table full of recent addresses admits no newcomer until their windows pass.
        for (quint32 a = 3; a < quint32(AnswerBudget::kAddresses) + 1; ++a)
            QVERIFY(budget.allow(a, 5000));
        QVERIFY(!budget.allow(0xFFFF, 5000));
        QVERIFY(budget.allow(3, 5000));  // known addresses keep their budget
        QVERIFY(budget.allow(0xFFFF, 5000 + AnswerBudget::kWindowMs));
    }
};

QTEST_APPLESS_MAIN(TestAnswerBudget)
#include "test_answerbudget.moc"
