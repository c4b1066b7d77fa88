// Ownership, names and removal notification between components.
#include <gtest/gtest.h>

#include "forms/Components.h"

using namespace forms;

namespace {

// Records every removal it hears of and counts live instances.
class TWatcher : public TComponent {
public:
    explicit TWatcher(TComponent* owner, int* alive = nullptr) : TComponent(owner), alive_(alive) {
        if (alive_) ++*alive_;
    }
    ~TWatcher() override {
        if (alive_) --*alive_;
    }
    std::string ClassName() const override { return "TWatcher"; }
    std::vector<std::string> removed; // names, as the components are gone afterwards

protected:
    void Notification(TComponent* c, TOperation op) override {
        if (op == opRemove) removed.push_back(c->Name());
        TComponent::Notification(c, op);
    }

private:
    int* alive_;
};

} // namespace

TEST(Components, OwnerDestroysWhatItOwnsAndFindsByName) {
    int alive = 0;
    auto* owner = new TWatcher(nullptr, &alive);
    auto* a = new TWatcher(owner, &alive);
    auto* b = new TWatcher(a, &alive);
    a->SetName("Panel1");
    b->SetName("Label1");
    EXPECT_EQ(owner->FindComponent("panel1"), a); // names compare without case
    EXPECT_EQ(owner->FindComponent("Label1"), nullptr); // not owned directly
    EXPECT_EQ(a->FindComponent("Label1"), b);
    EXPECT_EQ(alive, 3);
    delete owner;
    EXPECT_EQ(alive, 0);
}

TEST(Components, DestroyingAnOwnedComponentLeavesTheOwnerConsistent) {
    TWatcher owner(nullptr);
    auto* a = new TWatcher(&owner);
    auto* b = new TWatcher(&owner);
    a->SetName("A");
    delete a;
    ASSERT_EQ(owner.Components().size(), 1u);
    EXPECT_EQ(owner.Components()[0], b);
    // The owner and its other components hear of the removal.
    EXPECT_EQ(owner.removed, std::vector<std::string>({"A"}));
    EXPECT_EQ(b->removed, std::vector<std::string>({"A"}));
}

TEST(Components, FreeNotificationReachesComponentsOfOtherOwners) {
    TWatcher ownerA(nullptr), ownerB(nullptr);
    auto* fill = new TWatcher(&ownerA);
    auto* background = new TWatcher(&ownerB);
    background->SetName("Background");
    fill->FreeNotification(background);
    delete background;
    EXPECT_EQ(fill->removed, std::vector<std::string>({"Background"}));
    // Once gone it is forgotten: freeing the fill later touches nothing stale.
    delete fill;
    EXPECT_TRUE(ownerA.Components().empty());
}

// A watch tells whether the component it watches still exists, and outlives
// it; one that went first leaves nothing behind.
TEST(Components, AWatchSeesItsComponentGo) {
    TWatcher owner(nullptr);
    auto* watched = new TWatcher(&owner);
    {
        TLifeToken::TWatch early = watched->LifeWatch();
        EXPECT_TRUE(early.Alive());
    }
    TLifeToken::TWatch watch = watched->LifeWatch();
    delete watched;
    EXPECT_FALSE(watch.Alive());
    EXPECT_TRUE(owner.Components().empty());
}

TEST(Components, AssignFromAnUnknownSourceIsRefused) {
    TPersistent target, source;
    try {
        target.Assign(&source);
        FAIL() << "assignment was accepted";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "Cannot assign a TPersistent to a TPersistent");
    }
    EXPECT_THROW(target.Assign(nullptr), EConvertError);
}
