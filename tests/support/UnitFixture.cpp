#include "UnitFixture.h"

UnitFixture::UnitFixture() : paths(AppPaths::inFolder(folder.path()))
{
    unit.keepReceived(true);
}

MainController &UnitFixture::createController()
{
    controller.reset();
    auto sim = std::make_unique<SimComm>(unit, clock);
    comm = sim.get();
    controller = std::make_unique<MainController>(declarations, paths, std::move(sim), surface,
                                                  prompter, windows);
    return *controller;
}

MainController &UnitFixture::load()
{
    createController().Form_Load();
    return *controller;
}
