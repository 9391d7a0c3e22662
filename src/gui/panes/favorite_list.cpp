// Reading and writing the explorer's favourites in the profile.
#include "gui/panes/favorite_list.h"

#include <QSettings>
#include <QStringList>

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kArray = QStringLiteral("Favorites");
const QString kCommaJoined = QStringLiteral("Custom Folders");

}  // namespace

std::vector<Favorite> CFavoriteList::Load(QSettings& settings) {
  settings.beginGroup(kSection);
  std::vector<Favorite> favorites;
  // An array written empty (every favourite deleted) still counts as
  // stored: the older value is not read back in its place.
  if (settings.contains(kArray + QStringLiteral("/size"))) {
    const int count = settings.beginReadArray(kArray);
    for (int i = 0; i < count; ++i) {
      settings.setArrayIndex(i);
      Favorite favorite{settings.value(QStringLiteral("path")).toString(),
                        settings.value(QStringLiteral("name")).toString()};
      if (!favorite.path.isEmpty()) favorites.push_back(std::move(favorite));
    }
    settings.endArray();
  } else {
    favorites = ParseCommaJoined(settings.value(kCommaJoined).toString());
  }
  settings.endGroup();
  return favorites;
}

void CFavoriteList::Save(QSettings& settings, const std::vector<Favorite>& favorites) {
  settings.beginGroup(kSection);
  settings.remove(kArray);
  settings.beginWriteArray(kArray, static_cast<int>(favorites.size()));
  for (int i = 0; i < static_cast<int>(favorites.size()); ++i) {
    settings.setArrayIndex(i);
    settings.setValue(QStringLiteral("path"), favorites[i].path);
    settings.setValue(QStringLiteral("name"), favorites[i].name);
  }
  settings.endArray();
  settings.setValue(kCommaJoined, CommaJoined(favorites));
  settings.endGroup();
}

std::vector<Favorite> CFavoriteList::ParseCommaJoined(const QString& value) {
  const QStringList pieces = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
  std::vector<Favorite> favorites;
  for (int i = 0; i + 1 < pieces.size(); i += 2) favorites.push_back({pieces[i], pieces[i + 1]});
  return favorites;
}

QString CFavoriteList::CommaJoined(const std::vector<Favorite>& favorites) {
  QString value;
  for (const Favorite& favorite : favorites) value += favorite.path + QLatin1Char(',') + favorite.name + QLatin1Char(',');
  return value;
}
