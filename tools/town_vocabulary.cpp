#include "tools/town_vocabulary.h"

#include <array>

namespace {

using namespace std::string_view_literals;

constexpr std::array Surnames = {
    "Иванов"sv,     "Смирнов"sv,    "Кузнецов"sv,   "Попов"sv,       "Васильев"sv,     "Петров"sv,
    "Соколов"sv,    "Михайлов"sv,   "Новиков"sv,    "Фёдоров"sv,     "Морозов"sv,      "Волков"sv,
    "Алексеев"sv,   "Лебедев"sv,    "Семёнов"sv,    "Егоров"sv,      "Павлов"sv,       "Козлов"sv,
    "Степанов"sv,   "Николаев"sv,   "Орлов"sv,      "Андреев"sv,     "Макаров"sv,      "Никитин"sv,
    "Захаров"sv,    "Зайцев"sv,     "Соловьёв"sv,   "Борисов"sv,     "Яковлев"sv,      "Григорьев"sv,
    "Романов"sv,    "Воробьёв"sv,   "Сергеев"sv,    "Кузьмин"sv,     "Фролов"sv,       "Александров"sv,
    "Дмитриев"sv,   "Королёв"sv,    "Гусев"sv,      "Киселёв"sv,     "Ильин"sv,        "Максимов"sv,
    "Поляков"sv,    "Сорокин"sv,    "Виноградов"sv, "Ковалёв"sv,     "Белов"sv,        "Медведев"sv,
    "Антонов"sv,    "Тарасов"sv,    "Жуков"sv,      "Баранов"sv,     "Филиппов"sv,     "Комаров"sv,
    "Давыдов"sv,    "Беляев"sv,     "Герасимов"sv,  "Богданов"sv,    "Осипов"sv,       "Сидоров"sv,
    "Матвеев"sv,    "Титов"sv,      "Марков"sv,     "Миронов"sv,     "Крылов"sv,       "Куликов"sv,
    "Карпов"sv,     "Власов"sv,     "Мельников"sv,  "Денисов"sv,     "Гаврилов"sv,     "Тихонов"sv,
    "Казаков"sv,    "Афанасьев"sv,  "Данилов"sv,    "Савельев"sv,    "Тимофеев"sv,     "Фомин"sv,
    "Чернов"sv,     "Абрамов"sv,    "Мартынов"sv,   "Ефимов"sv,      "Федотов"sv,      "Щербаков"sv,
    "Назаров"sv,    "Калинин"sv,    "Исаев"sv,      "Чернышёв"sv,    "Быков"sv,        "Маслов"sv,
    "Родионов"sv,   "Коновалов"sv,  "Лазарев"sv,    "Воронин"sv,     "Климов"sv,       "Филатов"sv,
    "Пономарёв"sv,  "Голубев"sv,    "Кудрявцев"sv,  "Прохоров"sv,    "Наумов"sv,       "Потапов"sv,
    "Журавлёв"sv,   "Овчинников"sv, "Трофимов"sv,   "Леонов"sv,      "Соболев"sv,      "Ермаков"sv,
    "Колесников"sv, "Гончаров"sv,   "Емельянов"sv,  "Никифоров"sv,   "Грачёв"sv,       "Котов"sv,
    "Гришин"sv,     "Ефремов"sv,    "Архипов"sv,    "Громов"sv,      "Кириллов"sv,     "Малышев"sv,
    "Панов"sv,      "Моисеев"sv,    "Румянцев"sv,   "Акимов"sv,      "Кондратьев"sv,   "Бирюков"sv,
    "Горбунов"sv,   "Анисимов"sv,   "Ерёмин"sv,     "Тихомиров"sv,   "Галкин"sv,       "Лукьянов"sv,
    "Михеев"sv,     "Скворцов"sv,   "Юдин"sv,       "Белоусов"sv,    "Нестеров"sv,     "Симонов"sv,
    "Прокофьев"sv,  "Харитонов"sv,  "Князев"sv,     "Цветков"sv,     "Левин"sv,        "Митрофанов"sv,
    "Воронов"sv,    "Аксёнов"sv,    "Софронов"sv,   "Мальцев"sv,     "Логинов"sv,      "Горшков"sv,
    "Савин"sv,      "Краснов"sv,    "Майоров"sv,    "Демидов"sv,     "Елисеев"sv,      "Рыбаков"sv,
    "Сафонов"sv,    "Плотников"sv,  "Дёмин"sv,      "Хохлов"sv,      "Жданов"sv,       "Носков"sv,
    "Зуев"sv,       "Шубин"sv,      "Блинов"sv,     "Рябов"sv,       "Кононов"sv,      "Лаптев"sv,
    "Шестаков"sv,   "Фадеев"sv,     "Гордеев"sv,    "Суханов"sv,     "Зыков"sv,        "Пестов"sv,
    "Успенский"sv,  "Покровский"sv, "Троицкий"sv,   "Соколовский"sv, "Каминский"sv,    "Высоцкий"sv,
    "Островский"sv, "Чайковский"sv, "Белецкий"sv,   "Жуковский"sv,   "Вознесенский"sv, "Богословский"sv,
    "Толстой"sv,    "Донской"sv,    "Боровой"sv,    "Белый"sv,       "Черных"sv,       "Седых"sv,
    "Долгих"sv,     "Шевченко"sv,   "Ковальчук"sv,  "Ткаченко"sv,    "Бондаренко"sv,   "Кравченко"sv,
    "Лысенко"sv,    "Коваль"sv,     "Мельник"sv,    "Ткач"sv,        "Марченко"sv,     "Савченко"sv,
    "Гуревич"sv,    "Шапиро"sv,     "Ли"sv,         "Ким"sv,         "Цой"sv,          "Хабибуллин"sv,
};

constexpr std::array Streets = {
    "Ленина"sv,
    "Мира"sv,
    "Советская"sv,
    "Садовая"sv,
    "Центральная"sv,
    "Октябрьская"sv,
    "Молодёжная"sv,
    "Школьная"sv,
    "Набережная"sv,
    "Заводская"sv,
    "Пушкина"sv,
    "Гагарина"sv,
    "Кирова"sv,
    "Лесная"sv,
    "Новая"sv,
    "Полевая"sv,
    "Комсомольская"sv,
    "Первомайская"sv,
    "Строителей"sv,
    "Победы"sv,
    "Чехова"sv,
    "Лермонтова"sv,
    "Горького"sv,
    "Калинина"sv,
    "Свердлова"sv,
    "Советской Армии"sv,
    "Рабочая"sv,
    "Зелёная"sv,
    "Почтовая"sv,
    "Речная"sv,
    "Северная"sv,
    "Южная"sv,
    "Восточная"sv,
    "Западная"sv,
    "Нагорная"sv,
    "Луговая"sv,
    "Берёзовая"sv,
    "Сосновая"sv,
    "Кедровая"sv,
    "Рябиновая"sv,
    "Вокзальная"sv,
    "Железнодорожная"sv,
    "Пионерская"sv,
    "Партизанская"sv,
    "Матросова"sv,
    "Маяковского"sv,
    "Некрасова"sv,
    "Толстого"sv,
    "Тургенева"sv,
    "Гоголя"sv,
    "Крылова"sv,
    "Ломоносова"sv,
    "Суворова"sv,
    "Кутузова"sv,
    "Жукова"sv,
    "Чапаева"sv,
    "Фрунзе"sv,
    "Куйбышева"sv,
    "Островского"sv,
    "Циолковского"sv,
    "Королёва"sv,
    "Титова"sv,
    "Космонавтов"sv,
    "Энергетиков"sv,
    "Шахтёров"sv,
    "Металлургов"sv,
    "Геологов"sv,
    "Мичурина"sv,
    "Тимирязева"sv,
    "Менделеева"sv,
    "Павлова"sv,
    "Пирогова"sv,
    "Попова"sv,
    "Чкалова"sv,
    "Интернациональная"sv,
    "Пролетарская"sv,
    "Красноармейская"sv,
    "Ленинградская"sv,
    "Московская"sv,
    "Уральская"sv,
    "Сибирская"sv,
    "Озёрная"sv,
    "Родниковая"sv,
    "Солнечная"sv,
    "Весенняя"sv,
    "Цветочная"sv,
    "Светлая"sv,
    "Тихая"sv,
    "Дачная"sv,
    "Фабричная"sv,
    "Трудовая"sv,
    "Спортивная"sv,
    "Студенческая"sv,
    "Дружбы"sv,
    "Юбилейная"sv,
    "Гвардейская"sv,
    "Торговая"sv,
    "Кооперативная"sv,
    "Ясная"sv,
    "8 Марта"sv,
};

constexpr std::array Brands = {
    "Ромашка"sv, "Север"sv,    "Восход"sv,      "Заря"sv,     "Рассвет"sv, "Сибирь"sv,  "Альянс"sv,
    "Вектор"sv,  "Меридиан"sv, "Стройсервис"sv, "Техноком"sv, "Уют"sv,     "Фортуна"sv, "Радуга"sv,
    "Гранит"sv,  "Кедр"sv,     "Лидер"sv,       "Прогресс"sv, "Импульс"sv, "Берёзка"sv, "Надежда"sv,
    "Феникс"sv,  "Атлант"sv,   "Магистраль"sv,  "Орбита"sv,   "Садко"sv,   "Престиж"sv, "Эталон"sv,
    "Союз"sv,    "Кристалл"sv, "Янтарь"sv,      "Олимп"sv,    "Сфера"sv,   "Квант"sv,   "Аврора"sv,
};

constexpr std::array Suffixes = {"-Трейд"sv, " Плюс"sv, "-Центр"sv, "-Сервис"sv, "-Строй"sv, "-Авто"sv};

constexpr std::array MunicipalNames = {
    "Водоканал"sv,    "Горэлектросеть"sv,    "Теплосеть"sv,          "Горавтотранс"sv,
    "Жилкомсервис"sv, "Городские бани"sv,    "Спецавтохозяйство"sv,  "Горсвет"sv,
    "Зеленстрой"sv,   "Ритуальные услуги"sv, "Дорожное хозяйство"sv, "Городской рынок"sv,
};

constexpr std::array ShopNames = {
    "Продукты"sv,    "Хозтовары"sv,      "Книги"sv,      "Одежда"sv,      "Обувь"sv, "Овощи и фрукты"sv,
    "Электроника"sv, "Стройматериалы"sv, "Мебель"sv,     "Рыболов"sv,     "Цветы"sv, "Игрушки"sv,
    "Универсам"sv,   "Гастроном"sv,      "Канцтовары"sv, "Спорттовары"sv,
};

constexpr std::array BankNames = {
    "Кельворскбанк"sv, "Северный банк"sv, "Промстройбанк"sv, "Народный банк"sv, "Агробанк"sv,
};

constexpr std::array AdministrationNames = {
    "Городская администрация"sv,
    "Администрация Центрального района"sv,
    "Администрация Северного района"sv,
    "Администрация Заречного района"sv,
};

constexpr std::array OfficeDivisions = {
    "Приёмная"sv,      "Бухгалтерия"sv,       "Отдел кадров"sv,    "Отдел продаж"sv,
    "Директор"sv,      "Главный инженер"sv,   "Склад"sv,           "Охрана"sv,
    "Диспетчерская"sv, "Юридический отдел"sv, "Отдел снабжения"sv, "Касса"sv,
};

constexpr std::array SchoolDivisions = {
    "Приёмная"sv, "Директор"sv, "Учительская"sv, "Бухгалтерия"sv, "Вахта"sv, "Медицинский кабинет"sv,
    "Столовая"sv, "Завуч"sv,
};

constexpr std::array KindergartenDivisions = {
    "Заведующая"sv, "Методист"sv, "Медицинская сестра"sv, "Бухгалтерия"sv, "Пищеблок"sv,
};

constexpr std::array HospitalDivisions = {
    "Приёмный покой"sv,
    "Справочная"sv,
    "Главный врач"sv,
    "Терапевтическое отделение"sv,
    "Хирургическое отделение"sv,
    "Детское отделение"sv,
    "Лаборатория"sv,
    "Родильное отделение"sv,
    "Бухгалтерия"sv,
};

constexpr std::array ClinicDivisions = {
    "Регистратура"sv, "Главный врач"sv, "Вызов врача на дом"sv,
    "Справочная"sv,   "Лаборатория"sv,  "Процедурный кабинет"sv,
};

constexpr std::array ShopDivisions = {"Директор"sv, "Касса"sv, "Склад"sv, "Администратор"sv};

constexpr std::array PharmacyDivisions = {"Справочная"sv, "Заведующая"sv, "Рецептурный отдел"sv};

constexpr std::array PostDivisions = {"Начальник отделения"sv, "Справочная"sv, "Доставка"sv};

constexpr std::array LibraryDivisions = {"Абонемент"sv, "Читальный зал"sv, "Директор"sv};

constexpr std::array CafeDivisions = {"Заказ столиков"sv, "Администратор"sv, "Доставка"sv};

constexpr std::array SalonDivisions = {"Запись"sv, "Администратор"sv};

constexpr std::array Kinds = {
    TOrganisationKind{"ООО"sv, TOrganisationNaming::Brand, 20, {}, {}, OfficeDivisions, 6},
    TOrganisationKind{"ОАО"sv, TOrganisationNaming::Brand, 4, {}, {}, OfficeDivisions, 8},
    TOrganisationKind{"ЗАО"sv, TOrganisationNaming::Brand, 4, {}, {}, OfficeDivisions, 6},
    TOrganisationKind{"ИП"sv, TOrganisationNaming::Person, 8, {}, {}, ShopDivisions, 2},
    TOrganisationKind{"МУП"sv, TOrganisationNaming::Listed, 4, {}, MunicipalNames, OfficeDivisions, 7},
    TOrganisationKind{"ГУП"sv, TOrganisationNaming::Listed, 1, {}, MunicipalNames, OfficeDivisions, 7},
    TOrganisationKind{
        "Школа"sv, TOrganisationNaming::Numbered, 4, "Средняя школа № %d"sv, {}, SchoolDivisions, 5},
    TOrganisationKind{"Детский сад"sv,
                      TOrganisationNaming::Numbered,
                      4,
                      "Детский сад № %d"sv,
                      {},
                      KindergartenDivisions,
                      3},
    TOrganisationKind{"Больница"sv,
                      TOrganisationNaming::Numbered,
                      1,
                      "Городская больница № %d"sv,
                      {},
                      HospitalDivisions,
                      8},
    TOrganisationKind{
        "Поликлиника"sv, TOrganisationNaming::Numbered, 2, "Поликлиника № %d"sv, {}, ClinicDivisions, 5},
    TOrganisationKind{
        "Аптека"sv, TOrganisationNaming::Numbered, 4, "Аптека № %d"sv, {}, PharmacyDivisions, 2},
    TOrganisationKind{
        "Почта"sv, TOrganisationNaming::Numbered, 2, "Отделение связи № %d"sv, {}, PostDivisions, 2},
    TOrganisationKind{
        "Библиотека"sv, TOrganisationNaming::Numbered, 2, "Библиотека № %d"sv, {}, LibraryDivisions, 2},
    TOrganisationKind{"Магазин"sv, TOrganisationNaming::Listed, 15, {}, ShopNames, ShopDivisions, 3},
    TOrganisationKind{"Банк"sv, TOrganisationNaming::Listed, 3, {}, BankNames, OfficeDivisions, 6},
    TOrganisationKind{"Кафе"sv, TOrganisationNaming::Brand, 6, {}, {}, CafeDivisions, 2},
    TOrganisationKind{"Парикмахерская"sv, TOrganisationNaming::Brand, 5, {}, {}, SalonDivisions, 1},
    TOrganisationKind{
        "Администрация"sv, TOrganisationNaming::Listed, 1, {}, AdministrationNames, OfficeDivisions, 9},
};

bool EndsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

}  // namespace

std::span<const std::string_view> MaleSurnames() { return Surnames; }

std::string FemaleSurname(std::string_view male) {
  // Possessive forms take "а"; adjectival forms change their ending; the
  // rest (Ukrainian "-енко", "-ук", the frozen genitive "-ых", foreign
  // names) are the same for women.
  for (std::string_view possessive : {"ов"sv, "ев"sv, "ёв"sv, "ин"sv, "ын"sv})
    if (EndsWith(male, possessive)) return std::string(male) + "а";
  for (std::string_view adjectival : {"ий"sv, "ой"sv, "ый"sv})
    if (EndsWith(male, adjectival) && male.size() > adjectival.size() + 2)
      return std::string(male.substr(0, male.size() - adjectival.size())) + "ая";
  return std::string(male);
}

std::string_view MaleFirstInitials() { return "АААААААВВВВВВДДДЕЕИИИКККЛЛМММННОППРСССТТЮЯГГБФЭ"; }
std::string_view FemaleFirstInitials() { return "АААААЕЕЕЕИИЛЛЛММНННОООСССТТТВВВГДЗКЛРЮЯЯ"; }
std::string_view PatronymicInitials() { return "ААААВВВВГГДДЕИИИККЛМММННОПППРСССТФЮЯЭБ"; }

std::span<const std::string_view> StreetNames() { return Streets; }

std::span<const TOrganisationKind> OrganisationKinds() { return Kinds; }

std::span<const std::string_view> BrandNames() { return Brands; }
std::span<const std::string_view> BrandSuffixes() { return Suffixes; }
