// The program's one resource: type "UPDATE", integer id 102, held by
// machine.updateResource. Types are compared without regard to case; a name
// is an integer id (MAKEINTRESOURCEA) or its "#102" text form.
#include "platform/posix/layer.h"
#include "platform/posix/machine.h"

#include <cstdlib>

namespace {

constexpr int UpdateResourceId = 102;

bool NamesUpdateId(LPCSTR name) {
    if (IS_INTRESOURCE(name)) {
        return reinterpret_cast<uintptr_t>(name) == UpdateResourceId;
    }
    return name[0] == '#' && std::atoi(name + 1) == UpdateResourceId;
}

HRSRC UpdateResourceHandle() {
    return reinterpret_cast<HRSRC>(&machine::TheMachine().updateResource);
}

const std::vector<uint8_t>* Resource(HRSRC resource) {
    const auto& update = machine::TheMachine().updateResource;
    if (resource != UpdateResourceHandle() || !update) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &*update;
}

} // namespace

HRSRC FindResourceA(HMODULE /*module*/, LPCSTR name, LPCSTR type) {
    if (type == nullptr || name == nullptr || IS_INTRESOURCE(type) ||
        !layer::EqualsNoCase(type, "UPDATE") || !machine::TheMachine().updateResource) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    if (!NamesUpdateId(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return UpdateResourceHandle();
}

DWORD SizeofResource(HMODULE /*module*/, HRSRC resource) {
    const auto* data = Resource(resource);
    return data == nullptr ? 0 : static_cast<DWORD>(data->size());
}

HGLOBAL LoadResource(HMODULE /*module*/, HRSRC resource) {
    static uint8_t empty = 0;
    auto* data = Resource(resource);
    if (data == nullptr) {
        return nullptr;
    }
    return data->empty() ? &empty : const_cast<uint8_t*>(data->data());
}

LPVOID LockResource(HGLOBAL resource) {
    return resource;
}
