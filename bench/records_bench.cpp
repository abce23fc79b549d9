// The record cache on its hot path: filling it as a dataset fetches rows of
// the directory's apartments (HOME_ID integer, NAME varchar(40), STREET_ID
// integer, BUILD integer, CORP varchar(3), APARTAMENT integer, PHONE integer,
// STREET_NAME varchar(40)), reading the rows back, and the memory it takes per
// record against the raw size of the rows.
//
// Baseline, in the same process: copying each row into a flat array of full
// dataset record buffers, the simplest store there is.
//
// Memory is what the heap hands out, counted by this program's operator new
// (every allocation of the cache goes through it): the usable size of each
// chunk plus the allocator's header word.
//
// Rows: 1,000,000, or the number in --rows=N or TULVO_BENCH_ROWS. The summary
// follows the benchmark table; its last line is "ratio: X.XX", bytes per
// record over raw row bytes.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "dbaccess/cache/records_cache.h"
#include "framework/core/text/text.h"

// ---- Counting the heap --------------------------------------------------------------

namespace {
std::atomic<long long> LiveHeapBytes{0};

void* CountedAlloc(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  LiveHeapBytes += static_cast<long long>(malloc_usable_size(p) + sizeof(std::size_t));
  return p;
}

void CountedFree(void* p) noexcept {
  if (!p) return;
  LiveHeapBytes -= static_cast<long long>(malloc_usable_size(p) + sizeof(std::size_t));
  std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return CountedAlloc(size); }
void* operator new[](std::size_t size) { return CountedAlloc(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedAlloc(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }

namespace {

// ---- The rows -----------------------------------------------------------------------

// The dataset's record buffer for the apartments, offsets from the status
// byte: status, eight null flags in column order, the fixed-size columns in
// column order (CORP is short enough to stay in the record), then the two
// long texts, which the cache keeps in its string store.
constexpr int ColumnCount = 8;
enum TColumn { HomeId, Name, StreetId, Build, Corp, Apartament, Phone, StreetName };
constexpr int NullFlags = 1;
constexpr int HomeIdAt = 9, StreetIdAt = 13, BuildAt = 17, CorpAt = 21, ApartamentAt = 24, PhoneAt = 28;
constexpr int CorpLength = 3;
constexpr int NameAt = 32, StreetNameAt = 72, TextLength = 40;
constexpr int RecordSize = 32;  // status, null flags and the fixed-size columns
constexpr int BufferSize = TRecordsCache::RecordBufferOffset + StreetNameAt + TextLength;
constexpr int BufferChunks = 32;

// A fetched row as the client hands it over: values and texts with lengths.
struct TSourceRow {
  std::int32_t Value[ColumnCount];
  bool Null[ColumnCount];
  std::string_view Name, Corp, Street;
};

const char* const Surnames[] = {
    "Иванов",       "Смирнов",   "Кузнецов",   "Попов",      "Васильев",   "Петров",         "Соколов",
    "Михайлов",     "Новиков",   "Фёдоров",    "Морозов",    "Волков",     "Алексеев",       "Лебедев",
    "Семёнов",      "Егоров",    "Павлов",     "Козлов",     "Степанов",   "Николаев",       "Орлов",
    "Андреев",      "Макаров",   "Никитин",    "Захаров",    "Зайцев",     "Соловьёв",       "Борисов",
    "Яковлев",      "Григорьев", "Романов",    "Воробьёв",   "Сергеев",    "Кузьмин",        "Фролов",
    "Александров",  "Дмитриев",  "Королёв",    "Гусев",      "Киселёв",    "Ильин",          "Максимов",
    "Поляков",      "Сорокин",   "Виноградов", "Ковалёв",    "Белов",      "Медведев",       "Антонов",
    "Тарасов",      "Жуков",     "Баранов",    "Филиппов",   "Комаров",    "Давыдов",        "Беляев",
    "Герасимов",    "Богданов",  "Осипов",     "Сидоров",    "Матвеев",    "Титов",          "Марков",
    "Миронов",      "Крылов",    "Куликов",    "Карпов",     "Власов",     "Мельников",      "Денисов",
    "Гаврилов",     "Тихонов",   "Казаков",    "Афанасьев",  "Данилов",    "Савельев",       "Тимофеев",
    "Фомин",        "Чернов",    "Абрамов",    "Мартынов",   "Ефимов",     "Федотов",        "Щербаков",
    "Назаров",      "Калинин",   "Исаев",      "Чернышёв",   "Быков",      "Маслов",         "Родионов",
    "Коновалов",    "Лазарев",   "Воронин",    "Климов",     "Филатов",    "Пономарёв",      "Голубев",
    "Кудрявцев",    "Прохоров",  "Наумов",     "Потапов",    "Журавлёв",   "Овчинников",     "Трофимов",
    "Леонов",       "Соболев",   "Ермаков",    "Колесников", "Гончаров",   "Емельянов",      "Никифоров",
    "Грачёв",       "Котов",     "Гришин",     "Ефремов",    "Архипов",    "Громов",         "Кириллов",
    "Малышев",      "Панов",     "Моисеев",    "Румянцев",   "Акимов",     "Кондратьев",     "Бирюков",
    "Горбунов",     "Анисимов",  "Ерёмин",     "Тихомиров",  "Галкин",     "Лукьянов",       "Михеев",
    "Скворцов",     "Юдин",      "Белоусов",   "Нестеров",   "Симонов",    "Прокофьев",      "Харитонов",
    "Князев",       "Цветков",   "Левин",      "Митрофанов", "Воронов",    "Аксёнов",        "Софронов",
    "Мальцев",      "Логинов",   "Горшков",    "Савин",      "Краснов",    "Майоров",        "Демидов",
    "Елисеев",      "Рыбаков",   "Сафонов",    "Плотников",  "Дёмин",      "Хохлов",         "Жданов",
    "Рожков",       "Третьяков", "Вишневский", "Островский", "Покровский", "Рождественский", "Преображенский",
    "Добровольский"};
const char* const MaleNames[] = {"Александр",  "Сергей",  "Владимир", "Андрей",    "Алексей",
                                 "Дмитрий",    "Николай", "Михаил",   "Игорь",     "Юрий",
                                 "Виктор",     "Евгений", "Олег",     "Павел",     "Иван",
                                 "Анатолий",   "Валерий", "Геннадий", "Пётр",      "Борис",
                                 "Константин", "Василий", "Вячеслав", "Станислав", "Григорий"};
const char* const FemaleNames[] = {
    "Елена",     "Ольга",   "Татьяна",  "Наталья", "Ирина",   "Светлана", "Галина",    "Людмила", "Марина",
    "Валентина", "Нина",    "Анна",     "Надежда", "Любовь",  "Мария",    "Екатерина", "Вера",    "Тамара",
    "Лариса",    "Зинаида", "Антонина", "Раиса",   "Евгения", "Клавдия",  "Лидия"};
const char* const Patronymics[] = {"Александров", "Сергеев",  "Владимиров", "Андреев",   "Алексеев",
                                   "Дмитриев",    "Николаев", "Михайлов",   "Игорев",    "Юрьев",
                                   "Викторов",    "Евгеньев", "Олегов",     "Павлов",    "Иванов",
                                   "Петров",      "Борисов",  "Васильев",   "Григорьев", "Константинов"};
const char* const Streets[] = {"ул. Ленина",
                               "ул. Мира",
                               "ул. Советская",
                               "ул. Гагарина",
                               "ул. Кирова",
                               "ул. Пушкина",
                               "ул. Садовая",
                               "ул. Школьная",
                               "ул. Лесная",
                               "ул. Новая",
                               "ул. Молодёжная",
                               "ул. Заречная",
                               "ул. Набережная",
                               "ул. Октябрьская",
                               "ул. Комсомольская",
                               "ул. Первомайская",
                               "ул. Пролетарская",
                               "ул. Строителей",
                               "ул. Энергетиков",
                               "ул. Железнодорожная",
                               "ул. Красноармейская",
                               "ул. Маршала Жукова",
                               "ул. Академика Королёва",
                               "ул. Героев Панфиловцев",
                               "ул. 8 Марта",
                               "ул. 40 лет Победы",
                               "ул. Дзержинского",
                               "ул. Чкалова",
                               "ул. Фрунзе",
                               "ул. Калинина",
                               "пр-т Ленина",
                               "пр-т Мира",
                               "пр-т Строителей",
                               "Комсомольский пр-т",
                               "Октябрьский пр-т",
                               "пер. Садовый",
                               "пер. Почтовый",
                               "пер. Трудовой",
                               "пер. Кооперативный",
                               "пер. Водопроводный",
                               "бул. Победы",
                               "бул. Космонавтов",
                               "пл. Революции",
                               "пл. Ленина",
                               "ш. Энтузиастов",
                               "Северное ш.",
                               "ул. Тулвинская",
                               "ул. Кельворская",
                               "наб. Реки Тулвы",
                               "ул. Сталеваров"};
const char* const Corps[] = {"1", "2", "3", "А", "Б", "1А"};

template <std::size_t N>
std::vector<std::string> Cp1251(const char* const (&utf8)[N]) {
  std::vector<std::string> r;
  for (const char* s : utf8) r.push_back(RU(s));
  return r;
}

struct TSource {
  std::vector<TSourceRow> Rows;
  std::vector<std::string> Names;  // each name once per row; streets and corps from the pools
  std::vector<std::string> StreetPool, CorpPool;
  double RawBytes = 0;   // per row on average
  double TextBytes = 0;  // of which NAME, STREET_NAME and CORP characters
};

// A deterministic town: surnames take the feminine form for women, names are
// "Surname I.P." or written out in full, and some columns are null (CORP
// mostly, APARTAMENT for private houses, PHONE now and then).
std::unique_ptr<TSource> Generate(int count) {
  auto source = std::make_unique<TSource>();
  const auto surnames = Cp1251(Surnames), men = Cp1251(MaleNames), women = Cp1251(FemaleNames),
             patronymics = Cp1251(Patronymics);
  source->StreetPool = Cp1251(Streets);
  source->CorpPool = Cp1251(Corps);
  std::mt19937 rng(1968);
  const auto pick = [&](const std::vector<std::string>& v) -> const std::string& {
    return v[rng() % v.size()];
  };
  source->Names.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const bool woman = rng() % 2;
    std::string surname = pick(surnames);
    if (woman) {
      const std::string sky = RU("ский");
      if (surname.size() > sky.size() && surname.ends_with(sky))
        surname.replace(surname.size() - 2, 2, RU("ая"));
      else
        surname += RU("а");
    }
    const std::string& first = woman ? pick(women) : pick(men);
    const std::string patronymic = pick(patronymics) + (woman ? RU("на") : RU("ич"));
    std::string name = rng() % 100 < 55 ? surname + " " + first[0] + ". " + patronymic[0] + "."
                                        : surname + " " + first + " " + patronymic;
    if (name.size() > TextLength) name.resize(TextLength);
    source->Names.push_back(std::move(name));
  }
  source->Rows.resize(static_cast<std::size_t>(count));
  double raw = 0, text = 0;
  for (int i = 0; i < count; ++i) {
    TSourceRow& r = source->Rows[static_cast<std::size_t>(i)];
    const auto street = rng() % source->StreetPool.size();
    r.Value[HomeId] = i + 1;
    r.Value[StreetId] = static_cast<std::int32_t>(street + 1);
    r.Value[Build] = static_cast<std::int32_t>(1 + rng() % 150);
    r.Value[Apartament] = static_cast<std::int32_t>(1 + rng() % 300);
    r.Value[Phone] = static_cast<std::int32_t>(200000 + rng() % 600000);
    r.Null[Corp] = rng() % 100 < 80;
    r.Null[Apartament] = rng() % 100 < 15;
    r.Null[Phone] = rng() % 100 < 5;
    r.Name = source->Names[static_cast<std::size_t>(i)];
    r.Street = source->StreetPool[street];
    r.Corp = r.Null[Corp] ? std::string_view() : std::string_view(pick(source->CorpPool));
    // Raw size: the data bytes of the values present plus one null flag per
    // column, the form in which the dataset's record keeps them.
    for (TColumn c : {HomeId, StreetId, Build, Apartament, Phone})
      if (!r.Null[c]) raw += 4;
    const double chars = static_cast<double>(r.Name.size() + r.Street.size() + r.Corp.size());
    raw += chars + ColumnCount;
    text += chars;
  }
  source->RawBytes = raw / count;
  source->TextBytes = text / count;
  return source;
}

// ---- Filling and reading --------------------------------------------------------------

std::unique_ptr<TRecordsCache> NewCache() {
  auto cache = std::make_unique<TRecordsCache>(BufferChunks, BufferSize, RecordSize, 2);
  cache->AddBlock();
  cache->SetStringColumn(1, NameAt, TextLength);
  cache->SetStringColumn(2, StreetNameAt, TextLength);
  return cache;
}

// What the dataset does per fetched row: prepare the cache record, fill the
// fixed part in place, hand the long texts to the string store.
void Fetch(TRecordsCache& cache, const TSourceRow& row, int index) {
  char* record = cache.PrepareRecord(index + 1);
  record[0] = 0;  // unmodified
  for (int c = 0; c < ColumnCount; ++c) record[NullFlags + c] = row.Null[c];
  std::memcpy(record + HomeIdAt, &row.Value[HomeId], 4);
  std::memcpy(record + StreetIdAt, &row.Value[StreetId], 4);
  std::memcpy(record + BuildAt, &row.Value[Build], 4);
  std::memcpy(record + ApartamentAt, &row.Value[Apartament], 4);
  std::memcpy(record + PhoneAt, &row.Value[Phone], 4);
  std::memset(record + CorpAt, 0, CorpLength);
  if (!row.Corp.empty()) std::memcpy(record + CorpAt, row.Corp.data(), row.Corp.size());
  cache.SetStringBuffer(0, index, false, static_cast<int>(row.Name.size()), row.Name.data());
  cache.SetStringBuffer(1, index, false, static_cast<int>(row.Street.size()), row.Street.data());
}

std::unique_ptr<TRecordsCache> FillCache(const TSource& source) {
  auto cache = NewCache();
  const int count = static_cast<int>(source.Rows.size());
  for (int i = 0; i < count; ++i) Fetch(*cache, source.Rows[static_cast<std::size_t>(i)], i);
  return cache;
}

// The baseline: each row copied into a full record buffer of a flat array.
std::unique_ptr<char[]> FillFlat(const TSource& source) {
  const std::size_t count = source.Rows.size();
  auto flat = std::make_unique<char[]>(count * BufferSize);
  for (std::size_t i = 0; i < count; ++i) {
    const TSourceRow& row = source.Rows[i];
    char* record = flat.get() + i * BufferSize + TRecordsCache::RecordBufferOffset;
    for (int c = 0; c < ColumnCount; ++c) record[NullFlags + c] = row.Null[c];
    std::memcpy(record + HomeIdAt, &row.Value[HomeId], 4);
    std::memcpy(record + StreetIdAt, &row.Value[StreetId], 4);
    std::memcpy(record + BuildAt, &row.Value[Build], 4);
    std::memcpy(record + ApartamentAt, &row.Value[Apartament], 4);
    std::memcpy(record + PhoneAt, &row.Value[Phone], 4);
    if (!row.Corp.empty()) std::memcpy(record + CorpAt, row.Corp.data(), row.Corp.size());
    std::memcpy(record + NameAt, row.Name.data(), row.Name.size());
    std::memcpy(record + StreetNameAt, row.Street.data(), row.Street.size());
  }
  return flat;
}

const TSource* Rows = nullptr;

void BM_FillCache(benchmark::State& state) {
  for (auto _ : state) {
    auto cache = FillCache(*Rows);
    benchmark::DoNotOptimize(cache.get());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Rows->Rows.size()));
}

void BM_ReadCache(benchmark::State& state) {
  const auto cache = FillCache(*Rows);
  std::vector<char> buffer(BufferSize);
  const int count = static_cast<int>(Rows->Rows.size());
  for (auto _ : state) {
    for (int n = 1; n <= count; ++n) {
      cache->ReadRecord(n, buffer.data());
      benchmark::DoNotOptimize(buffer.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_FillFlatBaseline(benchmark::State& state) {
  for (auto _ : state) {
    auto flat = FillFlat(*Rows);
    benchmark::DoNotOptimize(flat.get());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Rows->Rows.size()));
}

int RowCount(int& argc, char** argv) {
  const int rows = BenchRowCount(argc, argv);
  return rows > 0 ? rows : 1;
}

double NanosecondsPerRow(std::chrono::steady_clock::duration d, int rows) {
  return std::chrono::duration<double, std::nano>(d).count() / rows;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = RowCount(argc, argv);
  const auto source = Generate(rows);
  Rows = source.get();

  benchmark::RegisterBenchmark("FillCache", BM_FillCache)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ReadCache", BM_ReadCache)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("FillFlatBaseline", BM_FillFlatBaseline)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  // One measured fill for time and memory.
  const long long before = LiveHeapBytes;
  const auto start = std::chrono::steady_clock::now();
  auto cache = FillCache(*source);
  const auto filled = std::chrono::steady_clock::now();
  const long long cacheBytes = LiveHeapBytes - before;
  std::vector<char> buffer(BufferSize);
  for (int n = 1; n <= rows; ++n) cache->ReadRecord(n, buffer.data());
  const auto read = std::chrono::steady_clock::now();
  const double blockBytes = static_cast<double>(cache->BlockCount()) * cache->BlockSize() / rows;
  cache.reset();
  const auto flatStart = std::chrono::steady_clock::now();
  auto flat = FillFlat(*source);
  const auto flatDone = std::chrono::steady_clock::now();
  benchmark::DoNotOptimize(flat.get());

  const double perRecord = static_cast<double>(cacheBytes) / rows;
  std::printf("rows: %d\n", rows);
  std::printf(
      "raw row: %.2f bytes on average = column data %.2f (integers 4 bytes when not null; NAME, "
      "STREET_NAME and CORP at their length, %.2f bytes, without padding or terminator) + %d null "
      "flags (one byte per column, as the record keeps them)\n",
      source->RawBytes, source->RawBytes - ColumnCount, source->TextBytes, ColumnCount);
  std::printf(
      "cache record: %d bytes (status, null flags, five integers, CORP); NAME and STREET_NAME in the "
      "string store\n",
      RecordSize);
  std::printf("fill: %.1f ns per record (baseline, flat %d-byte buffers: %.1f ns)\n",
              NanosecondsPerRow(filled - start, rows), BufferSize,
              NanosecondsPerRow(flatDone - flatStart, rows));
  std::printf("read: %.1f ns per record\n", NanosecondsPerRow(read - filled, rows));
  std::printf(
      "memory: %.2f bytes per record taken from the heap (blocks %.2f, string store and lists %.2f); "
      "flat buffers: %d\n",
      perRecord, blockBytes, perRecord - blockBytes, BufferSize);
  std::printf("ratio: %.2f\n", perRecord / source->RawBytes);
  return 0;
}
