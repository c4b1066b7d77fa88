// Object model of the form library: persistent objects that can be copied
// with Assign, and components that own each other and are told when a
// component they refer to goes away. Portable: no platform header.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "SysUtils.h"

namespace forms {

class TStream;

class TObject {
public:
    virtual ~TObject() = default;
    // The class name as layouts spell it ("TPanel").
    virtual std::string ClassName() const { return "TObject"; }
};

class EConvertError : public Exception { using Exception::Exception; };

class TPersistent : public TObject {
public:
    std::string ClassName() const override { return "TPersistent"; }
    // Copies source into this object. Classes override it for the sources
    // they understand and call the base for the rest, which refuses with
    // the assignment error "Cannot assign a <source> to a <this>".
    virtual void Assign(const TPersistent* source);

    // Hooks for binary property values stored with a layout.
    virtual void ReadBinaryProperty(const std::string& name, TStream& stream);
};

// Whether an object still lives, for code that calls handlers which may
// destroy it: the object holds the token and ends it as it goes (or earlier,
// when its handlers must stop); a watch taken from the token outlives the
// object and still answers.
class TLifeToken {
public:
    class TWatch {
    public:
        bool Alive() const { return *alive_; }

    private:
        friend class TLifeToken;
        explicit TWatch(std::shared_ptr<const bool> alive) : alive_(std::move(alive)) {}
        std::shared_ptr<const bool> alive_;
    };

    TLifeToken() = default;
    ~TLifeToken() { End(); }
    TLifeToken(const TLifeToken&) = delete;
    TLifeToken& operator=(const TLifeToken&) = delete;
    // The shared answer is made on the first watch, so objects nobody
    // watches pay nothing.
    TWatch Watch() {
        if (!alive_) alive_ = std::make_shared<bool>(!ended_);
        return TWatch(alive_);
    }
    void End() {
        ended_ = true;
        if (alive_) *alive_ = false;
    }

private:
    std::shared_ptr<bool> alive_;
    bool ended_ = false;
};

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    std::string ClassName() const override { return "TComponent"; }

    TComponent* Owner() const { return owner_; }
    const std::vector<TComponent*>& Components() const { return components_; }
    TComponent* FindComponent(const std::string& name) const;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }

    // Asks to be told (Notification with opRemove) when other is destroyed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // Called once all properties were read from a layout.
    virtual void Loaded() { loading_ = false; }
    bool Loading() const { return loading_; }
    void SetLoading() { loading_ = true; }
    bool Destroying() const { return destroying_; }
    // Alive until the component starts to go (when removal is notified).
    TLifeToken::TWatch LifeWatch() { return life_.Watch(); }

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    // Tells everyone who asked that this component is going. The destructors
    // of controls call it first, so listeners hear of it while the object is
    // still whole; ~TComponent calls it again for anyone who asked since.
    void NotifyRemoval();
    // Owned components are destroyed before the owner's own members; a
    // subclass destructor calls this first when its members must outlive them.
    void DestroyComponents();
    void MarkDestroying() { destroying_ = true; }

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    TComponent* owner_ = nullptr;
    std::string name_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool loading_ = false;
    bool destroying_ = false;

protected:
    // Ends early where a subclass's handlers must stop before it is torn down.
    TLifeToken life_;
};

} // namespace forms
