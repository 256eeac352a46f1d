#include "automation/TExcelSingleton.h"

namespace Excel::TExcelSingleton {

namespace {

std::unique_ptr<TExcel> instance;
bool started = false;

} // namespace

TExcel& GetInstance()
{
    if (instance)
        return *instance;
    auto excel = TExcel::GetActive();
    started = false;
    if (!excel) {
        excel = TExcel::CreateNew();
        started = true;
    }
    if (!excel)
        throw TExcelException(u"Excelの起動に失敗しました。");
    instance = std::move(excel);
    return *instance;
}

void Release()
{
    if (!instance)
        return;
    if (started)
        instance->Quit();
    instance.reset();
}

bool Started()
{
    return started;
}

} // namespace Excel::TExcelSingleton
