#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "model/item_pool.h"
#include "model/todo_collections.h"

class TestItemPool : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Objects of several blocks, freed in a random order and taken again: every object is
    // its own memory, and the blocks go back as they empty, all but one kept for later.
    void blocksComeAndGo() {
        constexpr std::size_t kSize = 240;
        TItemPool pool(kSize);
        const std::size_t perBlock = (TItemPool::BlockSize - 64) / kSize;
        const std::size_t count = perBlock * 3 + 17;
        std::vector<unsigned char*> objects;
        for (std::size_t i = 0; i < count; ++i) {
            auto* object = static_cast<unsigned char*>(pool.Allocate());
            std::memset(object, int(i & 0xFF), kSize);
            objects.push_back(object);
        }
        QCOMPARE(pool.BlockCount(), std::size_t(4));
        std::vector<unsigned char*> sorted = objects;
        std::sort(sorted.begin(), sorted.end());
        for (std::size_t i = 1; i < sorted.size(); ++i) {
            QVERIFY(sorted[i] >= sorted[i - 1] + kSize);  // no two objects overlap
        }
        for (std::size_t i = 0; i < count; ++i) {
            QCOMPARE(int(objects[i][kSize - 1]), int(i & 0xFF));  // nothing overwritten
        }

        QRandomGenerator random(7);
        std::shuffle(objects.begin(), objects.end(), random);
        const std::size_t half = count / 2;
        for (std::size_t i = 0; i < half; ++i) {
            pool.Free(objects[i]);
        }
        objects.erase(objects.begin(), objects.begin() + std::ptrdiff_t(half));
        // Freed places are taken again before any new block is made.
        const std::size_t blocks = pool.BlockCount();
        for (std::size_t i = 0; i < half; ++i) {
            objects.push_back(static_cast<unsigned char*>(pool.Allocate()));
        }
        QCOMPARE(pool.BlockCount(), blocks);
        QCOMPARE(std::set<unsigned char*>(objects.begin(), objects.end()).size(), count);

        for (unsigned char* object : objects) {
            pool.Free(object);
        }
        QCOMPARE(pool.BlockCount(), std::size_t(1));  // the spare
        // The spare serves the next objects; no block is made for them.
        void* again = pool.Allocate();
        QCOMPARE(pool.BlockCount(), std::size_t(1));
        pool.Free(again);
    }

    // Creating and destroying single items, as adding and deleting rows does, neither
    // grows the pool nor gives its last block back each time.
    void addAndDeleteKeepsOneBlock() {
        TItemPool pool(64);
        for (int round = 0; round < 1000; ++round) {
            void* object = pool.Allocate();
            pool.Free(object);
        }
        QCOMPARE(pool.BlockCount(), std::size_t(1));
        pool.Free(nullptr);  // nothing happens
        QCOMPARE(pool.BlockCount(), std::size_t(1));
    }

    // Items of a collection live in the pool and still behave as items: every second one
    // deleted, new ones take their places, and each keeps its own texts.
    void itemsFromThePool() {
        TTodoItemCollection items;
        for (int i = 0; i < 20000; ++i) {
            items.Add()->SetSubject("item " + std::to_string(i));
        }
        for (int i = items.Count() - 1; i >= 0; i -= 2) {
            items.Delete(i);  // the odd ones
        }
        for (int i = 0; i < 5000; ++i) {
            items.Add()->SetSubject("new " + std::to_string(i));
        }
        QCOMPARE(items.Count(), 15000);
        for (int i = 0; i < 10000; ++i) {
            QCOMPARE(items.At(i)->Subject(), "item " + std::to_string(2 * i));
            QCOMPARE(items.At(i)->Index(), i);
        }
        QCOMPARE(items.At(14999)->Subject(), std::string("new 4999"));
        items.Clear();
        QCOMPARE(items.Count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestItemPool)
#include "tst_item_pool.moc"
