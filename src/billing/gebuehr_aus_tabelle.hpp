// The fee table of parcel subdivisions (module modStatus).
#pragma once

namespace korvax {

// The tabulated fee in euros for a parcel of `area` m² at `land_value` €/m².
// Areas above 100 000 m² (and negative ones) follow the rule of a base plus a
// step for every further 50 000 m².
double GebührAusTabelle(const double& land_value, const double& area);

// The client's share in thousandths applied to a fee: 333 is exactly a third.
double AnteilAnwenden(double fee, double share);

}  // namespace korvax
