// A library in a transport's place that lacks the factory export.
extern "C" int NotAFactory()
{
    return 0;
}
