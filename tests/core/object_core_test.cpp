#include <gtest/gtest.h>

#include <stdexcept>

#include "core/JTArrayList.h"
#include "core/JTBoolean.h"
#include "core/JTException.h"
#include "core/JTStringBuilder.h"

using namespace JTCore;

namespace {

// Records its own destruction so tests can see exactly when the last strong reference went.
class Probe : public JTObject {
  public:
    explicit Probe(int* destroyed) : destroyed_(destroyed) {}
    ~Probe() override { ++*destroyed_; }

  private:
    int* destroyed_;
};

}  // namespace

TEST(WeakReferences, LockYieldsNullAfterTargetDiesAndHolderOutlivesIt) {
    int destroyed = 0;
    auto object = makeRef<Probe>(&destroyed);
    EXPECT_EQ(object->refCount(), 1u);

    JTWeakPtr<Probe> weak(object);
    Ref<JTWeakPtrHolder> holder = weak.holder();
    ASSERT_TRUE(holder);
    // object's own reference + the weak reference + our local copy
    EXPECT_EQ(holder->refCount(), 3u);
    EXPECT_EQ(weak.lock().get(), object.get());

    object.reset();
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(weak.lock());
    EXPECT_EQ(holder->target(), nullptr);
    EXPECT_EQ(holder->refCount(), 2u);  // the weak reference and ours; the object let go

    weak = JTWeakPtr<Probe>();
    EXPECT_EQ(holder->refCount(), 1u);  // only ours is left: dropping it frees the holder
}

TEST(WeakReferences, TwoWeakReferencesShareOneHolder) {
    int destroyed = 0;
    auto object = makeRef<Probe>(&destroyed);
    JTWeakPtr<Probe> a(object);
    JTWeakPtr<Probe> b;
    assignWeakRef(b, object);
    EXPECT_EQ(a.holder().get(), b.holder().get());
    EXPECT_EQ(a.holder()->refCount(), 3u);

    assignWeakRef(b, static_cast<Probe*>(nullptr));
    EXPECT_FALSE(b.lock());
    EXPECT_EQ(a.holder()->refCount(), 2u);
}

namespace {

class SelfLocker : public JTObject {
  public:
    ~SelfLocker() override { lockedDuringDestruction = weakSelf.lock().get() != nullptr; }
    JTWeakPtr<SelfLocker> weakSelf;
    static inline bool lockedDuringDestruction = true;
};

}  // namespace

TEST(WeakReferences, LockDuringDestructionGivesNullInsteadOfResurrecting) {
    auto object = makeRef<SelfLocker>();
    object->weakSelf.reset(object.get());
    object.reset();
    EXPECT_FALSE(SelfLocker::lockedDuringDestruction);
}

TEST(StrongReferences, AssignRefToItselfKeepsTheObject) {
    int destroyed = 0;
    auto object = makeRef<Probe>(&destroyed);
    assignRef(object, object);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(object->refCount(), 1u);
}

TEST(Strings, LengthsAreUtf16Units) {
    EXPECT_EQ(makeRef<JTString>("abc")->length(), 3);
    EXPECT_EQ(makeRef<JTString>("\xC3\xA9")->length(), 1);          // é
    EXPECT_EQ(makeRef<JTString>("\xF0\x9F\x98\x80")->length(), 2);  // an emoji is a surrogate pair
    EXPECT_EQ(makeRef<JTString>("\xF0\x9F\x98\x80")->toUtf8(), "\xF0\x9F\x98\x80");
    // A malformed byte becomes one replacement character instead of failing.
    EXPECT_EQ(makeRef<JTString>("a\xFF"
                                "b")
                  ->toUtf8(),
              "a\xEF\xBF\xBD"
              "b");
    // A sequence cut short or written too long is one replacement too; the byte that cut it stays.
    EXPECT_EQ(makeRef<JTString>("\xE2\x82(\xC0\x80")->toUtf8(), "\xEF\xBF\xBD(\xEF\xBF\xBD");
}

TEST(Strings, SetLengthTruncatesOrPadsWithNul) {
    auto b = makeRef<JTStringBuilder>();
    b->appendCString("abc");
    b->setLength(5);
    ASSERT_EQ(b->length(), 5);
    EXPECT_EQ(b->toString()->utf16(), std::u16string(u"abc\0\0", 5));

    b->setLength(1);
    EXPECT_EQ(b->toString()->toUtf8(), "a");
    b->setLength(1);
    EXPECT_EQ(b->length(), 1);
}

TEST(Strings, BuilderAppendsAndSharesItsTextWithEarlierToString) {
    auto b = makeRef<JTStringBuilder>();
    Ref<JTString> early = b->toString();
    b->appendCString("Score: ")->appendInt(-42);
    JTStringBuilder::addInt(b, 7);
    b->insert(0, makeRef<JTString>(">"));
    EXPECT_EQ(early->toUtf8(), ">Score: -427");
    EXPECT_THROW(b->insert(99, makeRef<JTString>("x")), std::out_of_range);
}

TEST(Equality, AcrossTypes) {
    auto a1 = makeRef<JTString>("a");
    auto a2 = makeRef<JTString>("a");
    EXPECT_TRUE(a1->equals(a2));
    EXPECT_EQ(a1->hashCode(), a2->hashCode());
    EXPECT_FALSE(a1->equals(makeRef<JTString>("b")));
    EXPECT_FALSE(a1->equals(JTBoolean::True()));
    EXPECT_FALSE(a1->equals(nullptr));

    EXPECT_TRUE(JTBoolean::True()->equals(makeRef<JTBoolean>(true)));
    EXPECT_FALSE(JTBoolean::True()->equals(JTBoolean::False()));
    EXPECT_FALSE(JTBoolean::False()->equals(makeRef<JTString>("false")));
    EXPECT_EQ(JTBoolean::True()->hashCode(), 1);
    EXPECT_EQ(JTBoolean::False()->toString().get(), falseString().get());

    // Plain objects compare by identity even when they hold the same content.
    int destroyed = 0;
    auto p = makeRef<Probe>(&destroyed);
    auto q = makeRef<Probe>(&destroyed);
    EXPECT_TRUE(p->equals(p));
    EXPECT_FALSE(p->equals(q));
}

TEST(Equality, ObjectToStringNamesTypeAndAddress) {
    int destroyed = 0;
    auto p = makeRef<Probe>(&destroyed);
    const std::string text = p->toString()->toUtf8();
    const auto at = text.find('@');
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(text.substr(0, at).find("Probe"), std::string::npos);
    EXPECT_EQ(std::stoul(text.substr(at + 1), nullptr, 16),
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(p.get())));
}

TEST(ArrayList, BoundsAndOwnership) {
    int destroyed = 0;
    auto list = makeRef<JTArrayList>();
    for (int i = 0; i < 3; ++i) list->add(makeRef<Probe>(&destroyed));
    ASSERT_EQ(list->size(), 3);

    for (int bad : {-1, 3}) {
        try {
            list->get(bad);
            FAIL() << "index " << bad << " did not throw";
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), "out of range");
        }
    }
    EXPECT_TRUE(list->get(2));
    EXPECT_THROW(list->removeAt(3), std::out_of_range);

    Ref<JTObject> second = list->get(1);
    list->removeAt(0);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(list->get(0).get(), second.get());

    list->clear();
    EXPECT_EQ(list->size(), 0);
    EXPECT_EQ(destroyed, 2);  // the one we still hold survives the clear
    EXPECT_THROW(list->getAs<JTString>(0), std::out_of_range);
}

TEST(Exceptions, ThrownAsReferenceWithMessage) {
    try {
        throw makeRef<JTException>("bad level data");
    } catch (const Ref<JTException>& e) {
        EXPECT_EQ(e->getMessage()->toUtf8(), "bad level data");
        testing::internal::CaptureStderr();
        e->printStackTrace();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "[WARN] Exception: bad level data\n");
    }
}
