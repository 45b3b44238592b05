#include "RemovalTexts.h"

#include <iterator>

namespace Removal {

namespace {

// Numbered as the installer's language list.
constexpr TRemovalTexts Table[] = {
    {L"Remove ", L" and all of its components?", L"Removing ", L" was removed.",
     L" was not removed completely. Items that could not be removed: ", L". The first:\r\n"},
    {L"Удалить ", L" и все его компоненты?", L"Удаление ", L" удалён.",
     L" удалён не полностью. Не удалось удалить объектов: ", L". Первый из них:\r\n"},
};

}  // namespace

const TRemovalTexts& RemovalTexts(int32_t language) {
  return language >= 0 && language < int32_t(std::size(Table)) ? Table[language] : Table[0];
}

}  // namespace Removal
