#include "gui/app/wavedesk_doc.h"

#include <QFileInfo>

CWavedeskDoc::CWavedeskDoc(const SettingsRecord& settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_sound(settings) {}

CWavedeskDoc::~CWavedeskDoc() = default;

void CWavedeskDoc::SetPathName(const QString& path) {
  m_pathName = path;
  SetTitle(QFileInfo(path).fileName());
}

void CWavedeskDoc::SetTitle(const QString& title) {
  m_title = title;
  emit titleChanged(DisplayTitle());
}

QString CWavedeskDoc::DisplayTitle() const { return m_modified ? m_title + QLatin1Char('*') : m_title; }

void CWavedeskDoc::SetModifiedFlag(bool modified) {
  if (m_modified == modified) return;
  m_modified = modified;
  emit titleChanged(DisplayTitle());
}
