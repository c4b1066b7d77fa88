// Object model of the form library: persistent objects that can be copied
// with Assign, and components that own each other and are told when a
// component they refer to goes away. Portable: no platform header.
#pragma once
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
};

// Learns through removal notification whether a component still exists:
// for code that calls handlers which may destroy the component it serves.
class TComponentWatch : public TComponent {
public:
    explicit TComponentWatch(TComponent* watched);
    ~TComponentWatch() override;
    bool Alive() const { return watched_ != nullptr; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TComponent* watched_;
};

} // namespace forms
