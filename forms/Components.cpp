#include "Components.h"

#include <algorithm>
#include <cctype>

namespace forms {

void TPersistent::Assign(const TPersistent* source) {
    throw EConvertError(FormTextFmt(stAssignError, {source ? source->ClassName() : std::string("nil"), ClassName()}));
}

void TPersistent::ReadBinaryProperty(const std::string& name, TStream&) {
    (void)name;
    throw EConvertError(FormTextFmt(stAssignError, {"binary value", ClassName()}));
}

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    destroying_ = true;
    NotifyRemoval();
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::NotifyRemoval() {
    life_.End();
    // Tell everyone who asked, then forget them (they may be gone next).
    auto notifies = std::move(freeNotifies_);
    freeNotifies_.clear();
    for (TComponent* c : notifies) {
        c->RemoveFreeNotification(this);
        c->Notification(this, opRemove);
    }
}

void TComponent::DestroyComponents() {
    destroying_ = true;
    while (!components_.empty()) {
        TComponent* last = components_.back();
        delete last; // its destructor removes it from components_
    }
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    for (TComponent* c : components_)
        if (!name.empty() && c->name_.size() == name.size() &&
            std::equal(name.begin(), name.end(), c->name_.begin(),
                       [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); }))
            return c;
    return nullptr;
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end())
        freeNotifies_.push_back(other);
    if (std::find(other->freeNotifies_.begin(), other->freeNotifies_.end(), this) == other->freeNotifies_.end())
        other->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), other), freeNotifies_.end());
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove)
        for (TComponent* c : components_) c->Notification(component, operation);
}

void TComponent::InsertComponent(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* component) {
    components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
    component->owner_ = nullptr;
    // The owner's other components hear of it too, as they may refer to it.
    if (!destroying_) Notification(component, opRemove);
}

} // namespace forms
