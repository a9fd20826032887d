#include "dorsa/platform/SmartPtr.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

using zvrtkDorsaServiceLayer::SmartPtr;
using zvrtkDorsaServiceLayer::SmartPtrTarget_ts;

struct Tracked : SmartPtrTarget_ts {
    explicit Tracked(int* destroyed) : m_destroyed(destroyed) {}
    ~Tracked() override { ++*m_destroyed; }
    int* m_destroyed;
    int m_value = 0;
};

TEST(SmartPtr, DeletesTheObjectWithTheLastReference)
{
    int destroyed = 0;
    {
        SmartPtr<Tracked> first = new Tracked(&destroyed);
        SmartPtr<SmartPtrTarget_ts> second = first;
        EXPECT_EQ(first->GetReferenceCount(), 2u);
        first = nullptr;
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(SmartPtr, CopiedObjectsKeepTheirOwnCount)
{
    int destroyed = 0;
    SmartPtr<Tracked> source = new Tracked(&destroyed);
    source->m_value = 7;
    SmartPtr<Tracked> target = new Tracked(&destroyed);
    *target = *source;
    EXPECT_EQ(target->m_value, 7);
    EXPECT_EQ(target->GetReferenceCount(), 1u);
    EXPECT_EQ(source->GetReferenceCount(), 1u);
}

TEST(SmartPtr, CountsAtomicallyAcrossThreads)
{
    int destroyed = 0;
    SmartPtr<Tracked> shared = new Tracked(&destroyed);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([shared] {
            for (int i = 0; i < 20000; ++i) {
                SmartPtr<Tracked> copy = shared;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(shared->GetReferenceCount(), 1u);
    shared = nullptr;
    EXPECT_EQ(destroyed, 1);
}

} // namespace
