#include "platform/win32/win32_shadow_copies.h"

#include <objidl.h>
#include <vsbackup.h>
#include <vss.h>
#include <vswriter.h>
#include <windows.h>

#include <cwchar>
#include <memory>

#include "toolkit/win32/system_text.h"

namespace lorvane::win32 {
namespace {

std::wstring stepFailed(const wchar_t* step, HRESULT hr) {
    wchar_t number[16];
    std::swprintf(number, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return std::wstring(step) + L": " + number;
}

// Waits for an asynchronous step that started with `started`; the step's own result.
HRESULT awaited(HRESULT started, IVssAsync* async) {
    if (FAILED(started)) return started;
    if (!async) return E_POINTER;
    HRESULT result = E_FAIL;
    HRESULT hr = async->Wait(INFINITE);
    if (SUCCEEDED(hr)) hr = async->QueryStatus(&result, nullptr);
    async->Release();
    if (FAILED(hr)) return hr;
    return result == VSS_S_ASYNC_CANCELLED ? E_ABORT : result;
}

std::wstring fullPath(const std::wstring& folder) {
    return tk::win32::systemText(
        [&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(folder.c_str(), size, buffer, nullptr); });
}

// The root of the volume that holds the path, "C:\" or a mounted folder's
// "C:\Mount\X\" (a share's "\\server\share\"); empty when the system gives none.
std::wstring volumeRootOf(const std::wstring& full) {
    std::wstring root(full.size() + MAX_PATH, L'\0');
    if (!GetVolumePathNameW(full.c_str(), root.data(), static_cast<DWORD>(root.size()))) return {};
    root.resize(std::wcslen(root.c_str()));
    if (!root.empty() && root.back() != L'\\') root += L'\\';
    return root;
}

bool samePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// A failure inside the COM runtime is to end the process, not to be swallowed by
// it: it could leave the shadow copy machinery in a state no one knows.
void letComFailuresThrough() {
    IGlobalOptions* options = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_GlobalOptions, nullptr, CLSCTX_INPROC_SERVER, IID_IGlobalOptions,
                                   reinterpret_cast<void**>(&options)))) {
        options->Set(COMGLB_EXCEPTION_HANDLING, COMGLB_EXCEPTION_DONOT_HANDLE);
        options->Release();
    }
}

class ShadowCopies final : public backup::Snapshot {
public:
    struct Volume {
        std::wstring name;                // \\?\Volume{...}\ .
        std::vector<std::wstring> roots;  // where the run's folders reach it
        VSS_ID snapshot = GUID_NULL;      // its copy in the set; GUID_NULL: none
        std::wstring link;                // the link to the copy; empty: read live
    };

    ~ShadowCopies() override {
        for (const Volume& volume : volumes)
            if (!volume.link.empty()) RemoveDirectoryW(volume.link.c_str());  // the link, not the copy
        if (components) {
            IVssAsync* async = nullptr;
            if (made)
                awaited(components->BackupComplete(&async), async);
            else if (started)
                components->AbortBackup();
            // The last reference: the set's shadow copies are deleted with it.
            components->Release();
        }
        if (comStarted) CoUninitialize();
    }

    std::wstring readPath(const std::wstring& folder) const override {
        const std::wstring full = fullPath(folder);
        const std::wstring root = volumeRootOf(full);
        for (const Volume& volume : volumes) {
            if (volume.link.empty()) continue;
            for (const std::wstring& known : volume.roots)
                if (samePath(known, root)) {
                    const std::wstring below = full.substr(root.size());
                    return below.empty() ? volume.link : volume.link + L"\\" + below;
                }
        }
        return folder;
    }

    std::vector<Volume> volumes;
    IVssBackupComponents* components = nullptr;
    bool comStarted = false;
    bool started = false;  // StartSnapshotSet was called: an unfinished set is aborted
    bool made = false;     // DoSnapshotSet finished: BackupComplete is owed
};

}  // namespace

backup::SnapshotResult takeShadowCopies(const std::vector<std::wstring>& folders,
                                        const std::wstring& linkFolder) {
    auto copies = std::make_unique<ShadowCopies>();
    std::wstring failures;
    const auto failed = [&](const std::wstring& why) { failures += (failures.empty() ? L"" : L"; ") + why; };
    const auto result = [&](std::unique_ptr<backup::Snapshot> snapshot) {
        return backup::SnapshotResult{std::move(snapshot), failures};
    };

    for (const std::wstring& folder : folders) {
        const std::wstring root = volumeRootOf(fullPath(folder));
        wchar_t name[MAX_PATH] = {};
        if (root.empty() || !GetVolumeNameForVolumeMountPointW(root.c_str(), name, MAX_PATH)) {
            failed(folder + L": " +
                   tk::win32::systemErrorText(GetLastError()));  // a share has no volume here
            continue;
        }
        ShadowCopies::Volume* volume = nullptr;
        for (ShadowCopies::Volume& known : copies->volumes)
            if (samePath(known.name, name)) volume = &known;
        if (!volume) volume = &copies->volumes.emplace_back(ShadowCopies::Volume{name, {}, GUID_NULL, {}});
        volume->roots.push_back(root);
    }
    if (copies->volumes.empty()) return result(std::make_unique<LiveFolders>());

    // Everything taken so far is given back by the snapshot's release.
    const auto stop = [&](const wchar_t* step, HRESULT hr) {
        failed(stepFailed(step, hr));
        copies.reset();
        return result(std::make_unique<LiveFolders>());
    };
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr))
        copies->comStarted = true;
    else if (hr != RPC_E_CHANGED_MODE)
        return stop(L"CoInitializeEx", hr);
    // Writers and the service call back into this process. Once a process: a
    // later call is refused (RPC_E_TOO_LATE) and the first one's settings stay.
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                         RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr);
    letComFailuresThrough();

    if (FAILED(hr = CreateVssBackupComponents(&copies->components)) || !copies->components)
        return stop(L"CreateVssBackupComponents", FAILED(hr) ? hr : E_POINTER);
    IVssBackupComponents& vss = *copies->components;
    IVssAsync* async = nullptr;
    if (FAILED(hr = vss.InitializeForBackup(nullptr))) return stop(L"InitializeForBackup", hr);
    if (FAILED(hr = vss.SetContext(VSS_CTX_BACKUP))) return stop(L"SetContext", hr);
    // A copy backup, no components selected: the writers keep their own backup
    // history (a database does not truncate its logs for a file copy).
    if (FAILED(hr = vss.SetBackupState(false, false, VSS_BT_COPY, false))) return stop(L"SetBackupState", hr);
    if (FAILED(hr = awaited(vss.GatherWriterMetadata(&async), async)))
        return stop(L"GatherWriterMetadata", hr);
    VSS_ID set = GUID_NULL;
    if (FAILED(hr = vss.StartSnapshotSet(&set))) return stop(L"StartSnapshotSet", hr);
    copies->started = true;

    bool any = false;
    for (ShadowCopies::Volume& volume : copies->volumes) {
        hr = vss.AddToSnapshotSet(volume.name.data(), GUID_NULL, &volume.snapshot);
        if (SUCCEEDED(hr)) {
            any = true;
            continue;
        }
        volume.snapshot = GUID_NULL;
        // A volume that cannot have a copy (FAT, no provider) is read live; the others still get theirs.
        if (hr != VSS_E_VOLUME_NOT_SUPPORTED && hr != VSS_E_VOLUME_NOT_SUPPORTED_BY_PROVIDER &&
            hr != VSS_E_OBJECT_NOT_FOUND && hr != VSS_E_MAXIMUM_NUMBER_OF_VOLUMES_REACHED &&
            hr != VSS_E_NESTED_VOLUME_LIMIT)
            return stop(L"AddToSnapshotSet", hr);
        failed(volume.roots.front() + L": " + stepFailed(L"AddToSnapshotSet", hr));
    }
    if (!any) {
        copies.reset();
        return result(std::make_unique<LiveFolders>());
    }
    if (FAILED(hr = awaited(vss.PrepareForBackup(&async), async))) return stop(L"PrepareForBackup", hr);
    if (FAILED(hr = awaited(vss.DoSnapshotSet(&async), async))) return stop(L"DoSnapshotSet", hr);
    copies->made = true;

    // Each copy is a device (\\?\GLOBALROOT\Device\HarddiskVolumeShadowCopyN);
    // a directory link makes it a folder that robocopy and the walks can read.
    int number = 0;
    for (ShadowCopies::Volume& volume : copies->volumes) {
        if (volume.snapshot == GUID_NULL) continue;
        VSS_SNAPSHOT_PROP properties{};
        if (FAILED(hr = vss.GetSnapshotProperties(volume.snapshot, &properties))) {
            failed(volume.roots.front() + L": " + stepFailed(L"GetSnapshotProperties", hr));
            continue;
        }
        const std::wstring device =
            properties.m_pwszSnapshotDeviceObject ? properties.m_pwszSnapshotDeviceObject : L"";
        VssFreeSnapshotProperties(&properties);
        const std::wstring link =
            linkFolder + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++number);
        RemoveDirectoryW(link.c_str());  // one left by a run that was cut off
        if (device.empty() ||
            !CreateSymbolicLinkW(link.c_str(), (device + L"\\").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
            failed(volume.roots.front() + L": " +
                   tk::win32::systemErrorText(device.empty() ? ERROR_PATH_NOT_FOUND : GetLastError()));
            continue;
        }
        volume.link = link;
    }
    return result(std::move(copies));
}

}  // namespace lorvane::win32
