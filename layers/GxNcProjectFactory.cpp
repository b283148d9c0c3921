#include "layers/GxNcProjectFactory.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "layers/GxNcCrammedImageSetFactory.h"

#include <algorithm>
#include <memory>

GxNcProjectFactory& GxNcProjectFactory::GetInstance() {
    // Made after the image-set factory, so destroyed before it: clearing
    // projects at exit gives their image sets back.
    GxNcCrammedImageSetFactory::GetInstance();
    static GxNcProjectFactory factory;
    return factory;
}

GxNcProjectFactory::~GxNcProjectFactory() { ClearAll(); }

GxNcProjectEx* GxNcProjectFactory::Find(GxStringView name) {
    GxMutexScopedLock lock(m_Mutex);
    auto it = m_Projects.find(GxToLower(name));
    return it == m_Projects.end() ? nullptr : it->second;
}

GxNcProjectEx* GxNcProjectFactory::Get(GxStringView name, GxStringView imageFolder, bool loadTextures) {
    GxMutexScopedLock lock(m_Mutex);
    if (GxNcProjectEx* p = Find(name)) {
        p->AddRef();
        return p;
    }
    const GxString key = GxToLower(name);
    auto project = std::make_unique<GxNcProjectEx>();
    project->Load(key, imageFolder, loadTextures);
    GxNcProjectEx* p = project.release();
    m_Projects[key] = p;
    return p;
}

void GxNcProjectFactory::ReleaseEntry(std::map<GxString, GxNcProjectEx*>::iterator it) {
    GxNcProjectEx* p = it->second;
    p->Release();
    if (p->GetRefCount() != 0) return;
    m_Projects.erase(it);
    delete p;
}

void GxNcProjectFactory::Release(GxNcProjectEx* project) {
    GxMutexScopedLock lock(m_Mutex);
    if (!project) return;
    auto it = std::find_if(m_Projects.begin(), m_Projects.end(), [project](const auto& e) { return e.second == project; });
    if (it == m_Projects.end()) {
        // Not ours, so possibly deleted already: only its address is safe to tell.
        GxWriteWarningLog(u"Warning/GxNcProjectFactory You tried to release the object does not exist(%s)\n",
                          GxObjectRefCountNotAutoDelete::PointerText(project));
        return;
    }
    ReleaseEntry(it);
}

void GxNcProjectFactory::ReleaseByName(GxStringView name) {
    GxMutexScopedLock lock(m_Mutex);
    auto it = m_Projects.find(GxToLower(name));
    if (it == m_Projects.end()) {
        GxWriteWarningLog(u"Warning/GxNcProjectFactory You tried to release the object does not exist(%s)\n", name);
        return;
    }
    ReleaseEntry(it);
}

void GxNcProjectFactory::ClearAll() {
    GxMutexScopedLock lock(m_Mutex);
    std::map<GxString, GxNcProjectEx*> projects;
    projects.swap(m_Projects);
    for (auto& [key, p] : projects) {
        p->ReleaseAll();
        delete p;
    }
}

void GxNcProjectFactory::ReportNotReleased() {
    GxMutexScopedLock lock(m_Mutex);
    for (const auto& [key, p] : m_Projects) GxWriteErrorLog(u"Warning/GxNcProjectFactory Object Not Released(%s)\n", key);
}
